#include "cli/TextChunker.h"

#include "platform/Utf.h"

#include <gtest/gtest.h>
#include <sstream>

namespace vx::cli {
namespace {

using Strings = std::vector<std::string>;

// Cut at the last sentence end (or paragraph break) within the limit, else at the last space,
// else anywhere but inside a surrogate pair; decoded across blocks; bad bytes end the chunks with
// their offset.
TEST(TextChunker, CutsTheText) {
    const std::string block(TextChunker::kBlockBytes - 1, 'a');
    const std::tuple<std::string, std::size_t, Strings> rows[] = {
        {"  Один \t\r\n два\u00A0 три  \n", 1024, {"Один два три"}},
        {" \n\t ", 1024, {}},
        {"\xEF\xBB\xBFДа.", 1024, {"Да."}},
        {"Аа. Бб. Вв.", 8, {"Аа. Бб.", "Вв."}},
        {"Да? Нет! Ну", 5, {"Да?", "Нет!", "Ну"}},
        {"А\u2026 б в.", 6, {"А\u2026", "б в."}},
        {"«Да!» Нет.", 6, {"«Да!»", "Нет."}},
        {"a.b cc dd", 6, {"a.b cc", "dd"}},
        {"Аа. бб вв гг", 9, {"Аа.", "бб вв гг"}},
        {"аааа бббб вввв", 6, {"аааа", "бббб", "вввв"}},
        {"абвгдежз", 3, {"абв", "где", "жз"}},
        {"Глава\n\nТекст идёт", 8, {"Глава", "Текст", "идёт"}},
        {"Глава\nТекст. А", 8, {"Глава", "Текст. А"}},
        {"\U0001F600\U0001F600\U0001F600", 3, {"\U0001F600", "\U0001F600", "\U0001F600"}},
        {block + "я", 8192, {block + "я"}},
        {"ab\x80", 1024, {"is not UTF-8 (bad bytes at byte 2)"}},
        {"\xC3\xA9\xA9", 1024, {"is not UTF-8 (bad bytes at byte 2)"}},
        {"\xC0\xAF", 1024, {"is not UTF-8 (bad bytes at byte 0)"}},
        {"\xED\xA0\x80", 1024, {"is not UTF-8 (bad bytes at byte 0)"}},
        {std::string(5000, 'a') + "\xE2\x82", 8192, {"is not UTF-8 (bad bytes at byte 5000)"}},
    };
    for (const auto& [text, maxChunk, expected] : rows) {
        std::istringstream in(text);
        TextChunker chunker(in, maxChunk);
        Strings chunks;
        try {
            while (const auto chunk = chunker.next()) {
                chunks.push_back(toUtf8(chunk->text));
            }
        } catch (const InputError& error) {
            chunks.push_back(error.what());
        }
        EXPECT_EQ(chunks, expected) << text.substr(0, 40);
    }
}

// The first chunk of a long text is handed out after reading only a few blocks.
TEST(TextChunker, Streams) {
    std::string text;
    while (text.size() < 1000000) {
        text += "Это одно предложение. ";
    }
    std::istringstream input(text);
    ASSERT_TRUE(TextChunker(input, 1024).next());
    EXPECT_LE(static_cast<std::size_t>(input.tellg()), 1024 * 2 + 2 * TextChunker::kBlockBytes);
}

} // namespace
} // namespace vx::cli
