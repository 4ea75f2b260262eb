// The vxtts command's parts: its options, the chunks it cuts the text into, the site that writes
// the engine's audio and events, and the WAV files it writes.

#include "cli/ComRef.h"
#include "cli/Options.h"
#include "cli/SpeakSite.h"
#include "cli/TextChunker.h"
#include "cli/WavOutput.h"
#include "platform/Utf.h"
#include "tests/support/Samples.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>
#include <sstream>

namespace vx::cli {
namespace {

using test::pcm;

// The parsed command line in one line, or "error: " and the message.
std::string parsed(std::vector<std::string_view> arguments) {
    try {
        using Command = Invocation::Command;
        const Invocation invocation = parseArguments(arguments);
        const SayOptions& say = invocation.say;
        const NormalizeOptions& normalize = invocation.normalize;
        const TextInput& input = invocation.command == Command::Say ? say.input : normalize.input;
        const std::string text = input.from == TextInput::From::File            ? "file:" + input.file.string()
                                 : input.from == TextInput::From::StandardInput ? "stdin"
                                                                                : "words:" + input.words;
        if (invocation.command != Command::Say) {
            return invocation.command == Command::Help     ? "help " + invocation.helpTopic
                   : invocation.command == Command::Voices ? "voices"
                                                           : "normalize " + normalize.voice +
                                                                 (normalize.punctuation ? " punct " : " ") + text;
        }
        const std::string output = say.toStandardOutput ? " stdout " : " o=" + say.outputFile.string() + " ";
        return "say " + say.voice + " r" + std::to_string(say.rate) + " p" + std::to_string(say.pitch) + " a" +
               std::to_string(say.volume) + (say.spell ? " spell" : "") + (say.punctuation ? " punct" : "") +
               (say.events ? " events" : "") + output + text;
    } catch (const UsageError& error) {
        return std::string("error: ") + error.what();
    }
}

TEST(Options, CommandLinesAreRead) {
    const auto sayError = [](const std::string& what) { return "error: say: " + what + " (see 'vxtts say --help')"; };
    const std::pair<std::vector<std::string_view>, std::string> rows[] = {
        {{}, "help "}, {{"-h"}, "help "}, {{"help", "say"}, "help say"}, {{"say", "-o", "a.wav", "--help"}, "help say"},
        {{"say", "-o", "a.wav", "--", "--help"}, "say tembra r0 p0 a100 o=a.wav words:--help"},
        {{"say", "-o", "a.wav", "Привет,", "мир"}, "say tembra r0 p0 a100 o=a.wav words:Привет, мир"},
        {{"say", "Да", "--stdout"}, "say tembra r0 p0 a100 stdout words:Да"},
        {{"say", "--voice=x", "--rate", "-10", "-p", "+10", "--volume=0", "--spell", "--punct", "--events", "-o", "c",
          "-"},
         "say x r-10 p10 a0 spell punct events o=c stdin"},
        {{"say", "--output=c", "--", "-5", "градусов"}, "say tembra r0 p0 a100 o=c words:-5 градусов"},
        {{"normalize", "--punct", "-v", "tembra_uk", "-f", "x"}, "normalize tembra_uk punct file:x"},
        {{"speak"}, "error: unknown command 'speak' (see 'vxtts --help')"},
        {{"voices", "x"}, "error: voices: takes no arguments (see 'vxtts voices --help')"},
        {{"normalize", "--spell", "Да"}, "error: normalize: unknown option '--spell' (put -- before text that starts "
                                         "with -) (see 'vxtts normalize --help')"},
        {{"say", "Да"}, sayError("say where the audio goes: -o FILE.wav or --stdout")},
        {{"say", "--stdout", "-o", "a.wav", "Да"}, sayError("give one of -o FILE.wav and --stdout, once")},
        {{"say", "--stdout"}, sayError("no text: give TEXT, -f FILE or - for standard input")},
        {{"say", "--stdout", "Да", "-"},
         sayError("more than one text: give TEXT, -f FILE or - for standard input, only one of them")},
        {{"say", "--stdout", "-r", "11", "Да"}, sayError("-r takes a whole number from -10 to 10, not '11'")},
        {{"say", "--stdout", "--pitch=1.5", "Да"}, sayError("--pitch takes a whole number from -10 to 10, not '1.5'")},
        {{"say", "--stdout", "-a", "", "Да"}, sayError("-a takes a whole number from 0 to 100, not ''")},
        {{"say", "--stdout", "Да", "-v"}, sayError("-v needs a value")},
        {{"say", "-o", "", "Да"}, sayError("-o needs a file name")},
        {{"say", "--stdout", "-5", "градусов"}, sayError("unknown option '-5' (put -- before text that starts with -)")},
    };
    for (const auto& [arguments, expected] : rows) EXPECT_EQ(parsed(arguments), expected);
}

using Strings = std::vector<std::string>;

// Cut at the last sentence end (or paragraph break) within the limit, else at the last space,
// else anywhere but inside a surrogate pair; decoded across blocks; bad bytes end the chunks with
// their offset.
TEST(TextChunker, CutsTheText) {
    const std::string block(TextChunker::kBlockBytes - 1, 'a');
    const auto bad = [](int at) { return Strings{"is not UTF-8 (bad bytes at byte " + std::to_string(at) + ")"}; };
    const std::tuple<std::string, std::size_t, Strings> rows[] = {
        {"  Один \t\r\n два\u00A0 три  \n", 1024, {"Один два три"}}, {" \n\t ", 1024, {}},
        {"\xEF\xBB\xBFДа.", 1024, {"Да."}}, {"Аа. Бб. Вв.", 8, {"Аа. Бб.", "Вв."}},
        {"Да? Нет! Ну", 5, {"Да?", "Нет!", "Ну"}}, {"А\u2026 б в.", 6, {"А\u2026", "б в."}},
        {"«Да!» Нет.", 6, {"«Да!»", "Нет."}}, {"a.b cc dd", 6, {"a.b cc", "dd"}},
        {"Аа. бб вв гг", 9, {"Аа.", "бб вв гг"}}, {"аааа бббб вввв", 6, {"аааа", "бббб", "вввв"}},
        {"абвгдежз", 3, {"абв", "где", "жз"}}, {"Глава\n\nТекст идёт", 8, {"Глава", "Текст", "идёт"}},
        {"Глава\nТекст. А", 8, {"Глава", "Текст. А"}},
        {"\U0001F600\U0001F600\U0001F600", 3, {"\U0001F600", "\U0001F600", "\U0001F600"}},
        {block + "я", 8192, {block + "я"}}, {"ab\x80", 1024, bad(2)}, {"\xC3\xA9\xA9", 1024, bad(2)},
        {"\xC0\xAF", 1024, bad(0)}, {"\xED\xA0\x80", 1024, bad(0)}, {std::string(5000, 'a') + "\xE2\x82", 8192, bad(5000)},
    };
    for (const auto& [text, maxChunk, expected] : rows) {
        std::istringstream in(text);
        TextChunker chunker(in, maxChunk);
        Strings chunks;
        try {
            while (const auto chunk = chunker.next()) chunks.push_back(toUtf8(chunk->text));
        } catch (const InputError& error) {
            chunks.push_back(error.what());
        }
        EXPECT_EQ(chunks, expected) << text.substr(0, 40);
    }
}

// The first chunk of a long text is handed out after reading only a few blocks.
TEST(TextChunker, Streams) {
    std::istringstream input(std::string(1000000, 'a') + ". Да.");
    ASSERT_TRUE(TextChunker(input, 1024).next());
    EXPECT_LE(static_cast<std::size_t>(input.tellg()), 1024 * 2 + 2 * TextChunker::kBlockBytes);
}

// A sentence at offset 2, length 2 of the chunk "а бв" read from " а  бв" lies at 4, length 2 of
// the input; its audio starts after the 3 bytes already written. Word boundaries are not
// reported; bookmark names are JSON strings.
TEST(SpeakSite, WritesEventsInTheInputAndTheAudio) {
    std::ostringstream audio, events;
    WavStream output(audio, "memory");
    ComRef<ISpTTSEngineSite> site;
    ASSERT_EQ(ComObject<SpeakSite>::Create(nullptr, IID_ISpTTSEngineSite, site.out(), output, &events), S_OK);
    const Chunk chunk{u"а бв", {1, 2, 4, 5, 6}};
    static_cast<SpeakSite*>(site.get())->setChunk(&chunk);
    ASSERT_EQ(site->Write("abc", 3, nullptr), S_OK);
    const std::u16string name = u"7 \"шаг\"\\\n\x01\x1f";
    const auto event = [](WORD id, WORD type, WPARAM w, LPARAM l) { return SPEVENT{id, type, 0, 0, w, l}; };
    const SPEVENT all[] = {event(SPEI_SENTENCE_BOUNDARY, 0, 2, 2), event(SPEI_WORD_BOUNDARY, 0, 0, 0),
                           event(SPEI_TTS_BOOKMARK, SPET_LPARAM_IS_STRING, 7, reinterpret_cast<LPARAM>(name.c_str()))};
    EXPECT_EQ(site->AddEvents(all, 3), S_OK);
    EXPECT_EQ(events.str(), "{\"event\":\"sentence\",\"offset\":4,\"length\":2,\"position\":3}\n"
                            R"({"event":"bookmark","name":"7 \"шаг\"\\\u000a\u0001\u001f","value":7,"position":3})" "\n");
}

// The header's tags, then its little-endian numbers: RIFF size, fmt size, format tag, channels,
// rate, bytes a second, block align, bits, data size.
std::string fields(const std::string& header) {
    std::string out = header.substr(0, 4) + header.substr(8, 8) + header.substr(36, 4);
    for (const auto& [at, size] :
         {std::pair{4, 4}, {16, 4}, {20, 2}, {22, 2}, {24, 4}, {28, 4}, {32, 2}, {34, 2}, {40, 4}}) {
        std::uint32_t value = 0;
        for (int i = size - 1; i >= 0; --i) value = value << 8 | static_cast<unsigned char>(header.at(at + i));
        out += " " + std::to_string(value);
    }
    return out;
}

// An odd data chunk is padded and the RIFF size counts the pad byte; sizes that RIFF cannot hold
// are unknown (0xFFFFFFFF). A file appears under its name only once finished, and alone.
TEST(WavOutput, HeadersAndFilesAreComplete) {
    const std::tuple<WAVEFORMATEX, std::uint64_t, std::string> rows[] = {
        {pcm(22050, 1, 8), 1001, "RIFFWAVEfmt data 1038 16 1 1 22050 22050 1 8 1001"},
        {pcm(44100, 2, 16), 4, "RIFFWAVEfmt data 40 16 1 2 44100 176400 4 16 4"},
        {pcm(16000, 1, 16), 0xFFFFFFDA, "RIFFWAVEfmt data 4294967294 16 1 1 16000 32000 2 16 4294967258"},
        {pcm(16000, 1, 16), 0xFFFFFFDB, "RIFFWAVEfmt data 4294967295 16 1 1 16000 32000 2 16 4294967295"},
    };
    for (const auto& [format, dataBytes, expected] : rows) {
        const auto header = wavHeader(format, dataBytes);
        EXPECT_EQ(fields(std::string(header.begin(), header.end())), expected);
    }
    test::TempFolder folder;
    WavFile file(folder.path() / "out.wav");
    ASSERT_TRUE(file.begin(pcm(22050, 1, 8)) && file.write("abc", 3) && file.write("de", 2));
    EXPECT_FALSE(std::filesystem::exists(folder.path() / "out.wav"));
    ASSERT_TRUE(file.finish());
    const std::string bytes = test::readBytes(folder.path() / "out.wav");
    EXPECT_EQ(fields(bytes), "RIFFWAVEfmt data 42 16 1 1 22050 22050 1 8 5");
    EXPECT_EQ(bytes.substr(kWavHeaderBytes), std::string("abcde\0", 6));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 1);
}

} // namespace
} // namespace vx::cli
