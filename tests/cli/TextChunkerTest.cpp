#include "cli/TextChunker.h"

#include "platform/Utf.h"

#include <cctype>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <vector>

namespace vx::cli {
namespace {

std::vector<std::string> chunksOf(const std::string& text, std::size_t maxChunk) {
    std::istringstream in(text);
    TextChunker chunker(in, maxChunk);
    std::vector<std::string> chunks;
    while (const auto chunk = chunker.next()) {
        chunks.push_back(toUtf8(chunk->text));
    }
    return chunks;
}

struct CutCase {
    const char* name;
    std::string text;
    std::size_t maxChunk;
    std::vector<std::string> chunks;
};

class Cuts : public testing::TestWithParam<CutCase> {};

std::string cutName(const testing::TestParamInfo<CutCase>& param) {
    std::string name = param.param.name;
    for (char& c : name) {
        c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    }
    return name;
}

TEST_P(Cuts, GiveTheChunks) {
    EXPECT_EQ(chunksOf(GetParam().text, GetParam().maxChunk), GetParam().chunks);
}

INSTANTIATE_TEST_SUITE_P(
    TextChunker, Cuts,
    testing::Values(
        CutCase{"short text whole", "Один. Два.", 1024, {"Один. Два."}},
        CutCase{"spaces collapse and ends trim",
                "  Один \t\r\n два\u00A0 три  \n",
                1024,
                {"Один два три"}},
        CutCase{"nothing but spaces", " \n\t ", 1024, {}}, CutCase{"empty", "", 1024, {}},
        CutCase{"byte-order mark dropped", "\xEF\xBB\xBFДа.", 1024, {"Да."}},
        CutCase{"last sentence end within the limit", "Аа. Бб. Вв.", 8, {"Аа. Бб.", "Вв."}},
        CutCase{"question and exclamation", "Да? Нет! Ну", 5, {"Да?", "Нет!", "Ну"}},
        CutCase{"ellipsis character", "Так\u2026 Вот.", 6, {"Так\u2026", "Вот."}},
        CutCase{"closing quote after the mark", "«Да!» Нет.", 6, {"«Да!»", "Нет."}},
        CutCase{"a period inside a word is no sentence end", "a.b cc dd", 6, {"a.b cc", "dd"}},
        CutCase{
            "sentence end preferred over a later space", "Аа. бб вв гг", 9, {"Аа.", "бб вв гг"}},
        CutCase{"at the last space without a sentence end",
                "аааа бббб вввв",
                6,
                {"аааа", "бббб", "вввв"}},
        CutCase{"hard cut without spaces", "абвгдежз", 3, {"абв", "где", "жз"}},
        CutCase{"paragraph break is a sentence end",
                "Глава\n\nТекст идёт",
                8,
                {"Глава", "Текст", "идёт"}},
        CutCase{"one line break is not", "Глава\nТекст. А", 8, {"Глава", "Текст. А"}},
        CutCase{"surrogate pair never split",
                "\U0001F600\U0001F600\U0001F600",
                3,
                {"\U0001F600", "\U0001F600", "\U0001F600"}}),
    cutName);

struct SpanCase {
    std::uint64_t offset;
    std::uint64_t length;
    Chunk::Span expected;
};

class Spans : public testing::TestWithParam<SpanCase> {};

// " а  бв\n\nг": the chunk is "а бв г", its units at input offsets 1, 2 (the first of two
// spaces), 4, 5, 6 (the first of two line breaks) and 8; its end at 9.
TEST_P(Spans, MapToTheInput) {
    std::istringstream in(" а  бв\n\nг");
    TextChunker chunker(in);
    const auto chunk = chunker.next();
    ASSERT_TRUE(chunk);
    ASSERT_EQ(chunk->text, u"а бв г");
    const Chunk::Span span = chunk->sourceSpan(GetParam().offset, GetParam().length);
    EXPECT_EQ(span.offset, GetParam().expected.offset);
    EXPECT_EQ(span.length, GetParam().expected.length);
}

INSTANTIATE_TEST_SUITE_P(TextChunker, Spans,
                         testing::Values(SpanCase{0, 6, {1, 8}}, SpanCase{0, 1, {1, 1}},
                                         SpanCase{2, 2, {4, 2}}, SpanCase{5, 1, {8, 1}},
                                         SpanCase{2, 100, {4, 5}}, SpanCase{7, 3, {9, 0}}));

TEST(TextChunker, OffsetsCountFromTheStartOfTheWholeInput) {
    std::istringstream in("Аа. Бб.  Вв.");
    TextChunker chunker(in, 8);
    ASSERT_TRUE(chunker.next());
    const auto second = chunker.next();
    ASSERT_TRUE(second);
    EXPECT_EQ(second->text, u"Вв.");
    EXPECT_EQ(second->sourceSpan(0, 3).offset, 9U);
}

TEST(TextChunker, SequenceAcrossBlocksIsDecoded) {
    const std::string text = std::string(TextChunker::kBlockBytes - 1, 'a') + "я";
    std::istringstream in(text);
    TextChunker chunker(in, 2 * TextChunker::kBlockBytes);
    const auto chunk = chunker.next();
    ASSERT_TRUE(chunk);
    EXPECT_EQ(chunk->text.back(), u'я');
    EXPECT_EQ(chunk->text.size(), TextChunker::kBlockBytes);
}

struct BadCase {
    std::string text;
    std::string message;
};

class BadBytes : public testing::TestWithParam<BadCase> {};

TEST_P(BadBytes, AreReportedWithTheirOffset) {
    std::istringstream in(GetParam().text);
    TextChunker chunker(in);
    try {
        while (chunker.next()) {
        }
        FAIL() << "no error";
    } catch (const InputError& error) {
        EXPECT_EQ(error.what(), GetParam().message);
    }
}

INSTANTIATE_TEST_SUITE_P(
    TextChunker, BadBytes,
    testing::Values(BadCase{"abc\xFF"
                            "def",
                            "is not UTF-8 (bad bytes at byte 3)"},
                    BadCase{"ab\xD0", "is not UTF-8 (bad bytes at byte 2)"},
                    BadCase{"ab\x80", "is not UTF-8 (bad bytes at byte 2)"},
                    BadCase{"\xC3\xA9\xA9", "is not UTF-8 (bad bytes at byte 2)"},
                    BadCase{"\xC0\xAF", "is not UTF-8 (bad bytes at byte 0)"},
                    BadCase{"\xED\xA0\x80", "is not UTF-8 (bad bytes at byte 0)"},
                    BadCase{std::string(5000, 'a') + "\xE2\x82",
                            "is not UTF-8 (bad bytes at byte 5000)"},
                    BadCase{"ok. " + std::string(TextChunker::kBlockBytes, 'b') + "\x80",
                            "is not UTF-8 (bad bytes at byte 4100)"}));

// Streaming: the first chunk of a long text is handed out after reading only a few blocks.
TEST(TextChunker, ReadsNoFurtherThanTheChunkNeeds) {
    std::string text;
    while (text.size() < 1000000) {
        text += "Это одно предложение. ";
    }
    std::istringstream in(text);
    TextChunker chunker(in, 1024);
    ASSERT_TRUE(chunker.next());
    EXPECT_LE(static_cast<std::size_t>(in.tellg()), 1024 * 2 + 2 * TextChunker::kBlockBytes);
}

} // namespace
} // namespace vx::cli
