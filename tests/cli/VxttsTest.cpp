// The vxtts program as a user runs it: the shipped data beside it, and its own per-user and
// temporary folders in a fresh test folder, so that the first run copies the data there as it
// would into the user's home.

#include "platform/Utf.h"
#include "tests/support/TempFolder.h"

#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <regex>
#include <string>
#include <vector>

namespace vx {
namespace {

struct Result {
    int exitCode = -1;
    std::string out;
    std::string err;
};

std::string shellQuoted(const std::string& text) {
    std::string quoted = "'";
    for (const char c : text) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
        lines.push_back(text.substr(start, end - start));
    }
    if (start < text.size()) {
        lines.push_back(text.substr(start));
    }
    return lines;
}

// A WAV file or stream as read back: its format, the data size its header claims, its data.
struct Wav {
    std::uint16_t formatTag = 0;
    std::uint16_t channels = 0;
    std::uint32_t sampleRate = 0;
    std::uint32_t bytesPerSecond = 0;
    std::uint16_t bitsPerSample = 0;
    std::uint32_t riffSize = 0;
    std::uint32_t dataSize = 0;
    std::string data;

    double seconds() const { return static_cast<double>(data.size()) / bytesPerSecond; }
};

std::uint32_t little(const std::string& bytes, std::size_t at, std::size_t size) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < size; ++i) {
        value |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes.at(at + i)))
                 << (8 * i);
    }
    return value;
}

Wav parseWav(const std::string& bytes) {
    Wav wav;
    if (bytes.size() < 44 || bytes.substr(0, 4) != "RIFF" || bytes.substr(8, 8) != "WAVEfmt " ||
        bytes.substr(36, 4) != "data") {
        ADD_FAILURE() << "not a WAV header";
        return wav;
    }
    wav.riffSize = little(bytes, 4, 4);
    wav.formatTag = static_cast<std::uint16_t>(little(bytes, 20, 2));
    wav.channels = static_cast<std::uint16_t>(little(bytes, 22, 2));
    wav.sampleRate = little(bytes, 24, 4);
    wav.bytesPerSecond = little(bytes, 28, 4);
    wav.bitsPerSample = static_cast<std::uint16_t>(little(bytes, 34, 2));
    wav.dataSize = little(bytes, 40, 4);
    wav.data = bytes.substr(44, std::min<std::size_t>(wav.dataSize, bytes.size() - 44));
    return wav;
}

// The share of 8-bit samples away from silence (128) by more than a little noise.
double soundingShare(const std::string& data) {
    std::size_t sounding = 0;
    for (const char c : data) {
        sounding += std::abs(static_cast<int>(static_cast<unsigned char>(c)) - 128) > 4 ? 1 : 0;
    }
    return data.empty() ? 0.0 : static_cast<double>(sounding) / static_cast<double>(data.size());
}

std::string sourceText(const char* name) {
    return test::readBytes(std::filesystem::path(VX_SOURCE_DIR) / name);
}

class Vxtts : public testing::Test {
protected:
    // Runs vxtts in the test folder with the arguments and, on standard input, input.
    Result run(const std::vector<std::string>& arguments, const std::string& input = {}) const {
        const auto& root = folder.path();
        folder.writeBytes("stdin", input);
        std::filesystem::create_directories(root / "tmp");
        std::string command = "cd " + shellQuoted(root.string()) +
                              " && XDG_CONFIG_HOME=" + shellQuoted((root / "config").string()) +
                              " TMPDIR=" + shellQuoted((root / "tmp").string()) + " " +
                              shellQuoted(VXTTS_PROGRAM);
        for (const std::string& argument : arguments) {
            command += " " + shellQuoted(argument);
        }
        command += " <stdin >stdout 2>stderr; echo $? >status";
        EXPECT_EQ(std::system(command.c_str()), 0);
        return {std::atoi(test::readBytes(root / "status").c_str()),
                test::readBytes(root / "stdout"), test::readBytes(root / "stderr")};
    }

    Wav wavFile(const char* name) const { return parseWav(test::readBytes(folder.path() / name)); }

    // The files of the test folder besides the ones run makes.
    std::vector<std::string> madeFiles() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(folder.path())) {
            const std::string name = entry.path().filename().string();
            if (name != "stdin" && name != "stdout" && name != "stderr" && name != "status" &&
                name != "tmp" && name != "config" && name != "input.txt") {
                names.push_back(name);
            }
        }
        return names;
    }

    test::TempFolder folder;
};

TEST_F(Vxtts, HelpGoesToStandardOutput) {
    for (const std::vector<std::string>& arguments : {std::vector<std::string>{"--help"},
                                                      {"say", "--help"},
                                                      {"voices", "--help"},
                                                      {"normalize", "--help"}}) {
        const Result result = run(arguments);
        EXPECT_EQ(result.exitCode, 0) << arguments.front();
        EXPECT_EQ(result.out.rfind("usage: vxtts", 0), 0U) << result.out;
        EXPECT_EQ(result.err, "");
    }
}

TEST_F(Vxtts, ListsTheShippedVoices) {
    const Result result = run({"voices"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out, "tembra\tru=tembra en=tembra\ntembra_uk\tuk=tembra en=tembra\n");
}

// The first run copies the program's data folder into the per-user folder, and from then on the
// user's copy is the one read.
TEST_F(Vxtts, ReadsTheUsersCopyOfTheData) {
    ASSERT_EQ(run({"voices"}).exitCode, 0);
    const auto copy = folder.path() / "config" / "VxTts" / "data" / "voices.conf";
    ASSERT_TRUE(std::filesystem::exists(copy));
    folder.writeUtf16("config/VxTts/data/voices.conf", u"[mine]\nru = tembra\n");
    EXPECT_EQ(run({"voices"}).out, "mine\tru=tembra\n");
}

// What the modules get, one line per module call, for a table of texts. The values are what
// the shipped dictionaries give; each portion ends in a space, as the pipeline hands it over.
struct NormalizeCase {
    const char* topic;
    std::vector<std::string> options;
    std::string text;
    std::vector<std::string> lines;
};

void PrintTo(const NormalizeCase& c, std::ostream* os) {
    *os << c.topic << ": " << c.text;
}

class Normalize : public Vxtts, public testing::WithParamInterface<NormalizeCase> {};

TEST_P(Normalize, GivesTheModulesTheseWords) {
    std::vector<std::string> arguments{"normalize"};
    arguments.insert(arguments.end(), GetParam().options.begin(), GetParam().options.end());
    arguments.push_back("--");
    arguments.push_back(GetParam().text);
    const Result result = run(arguments);
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(linesOf(result.out), GetParam().lines);
}

INSTANTIATE_TEST_SUITE_P(
    Numbers, Normalize,
    testing::Values(
        NormalizeCase{"thousand after one is feminine",
                      {},
                      "21000 руб.",
                      {"# sentence length=10 offset=0", "tembra\tдвадцать одна тысяча рублей "}},
        NormalizeCase{"thousand and one",
                      {},
                      "1001",
                      {"# sentence length=4 offset=0", "tembra\tодна тысяча один "}},
        NormalizeCase{"millions after two",
                      {},
                      "2000000",
                      {"# sentence length=7 offset=0", "tembra\tдва миллиона "}},
        NormalizeCase{
            "thousands after two to four",
            {},
            "2024 книги",
            {"# sentence length=10 offset=0", "tembra\tдве тысячи двадцать четыре книги "}},
        NormalizeCase{"Ukrainian feminine thousand",
                      {"-v", "tembra_uk"},
                      "1001 грн",
                      {"# sentence length=8 offset=0", "tembra\tодна тысяча одын грывэнь "}}));

INSTANTIATE_TEST_SUITE_P(
    Abbreviations, Normalize,
    testing::Values(NormalizeCase{"with periods",
                                  {},
                                  "т. е. это так",
                                  {"# sentence length=13 offset=0", "tembra\tто есть это так "}},
                    NormalizeCase{"units",
                                  {},
                                  "5 кг и 5 км",
                                  {"# sentence length=11 offset=0",
                                   "tembra\tпять килограмм и пять километров "}},
                    NormalizeCase{"without vowels are spelled",
                                  {},
                                  "ДНК",
                                  {"# sentence length=3 offset=0", "tembra\tдэ эн ка "}},
                    NormalizeCase{"word-initial keys after a word",
                                  {},
                                  "Адрес: ул. Ленина, стр. 5",
                                  {"# sentence length=25 offset=0",
                                   "tembra\tадрес: улица ленина, страница пять "}},
                    NormalizeCase{"Ukrainian, with an apostrophe",
                                  {"-v", "tembra_uk"},
                                  "т. зв. м'ясо",
                                  {"# sentence length=12 offset=0", "tembra\tтак званый мъясо "}}));

INSTANTIATE_TEST_SUITE_P(
    LatinWords, Normalize,
    testing::Values(NormalizeCase{"inside Russian",
                                  {},
                                  "Я открыл Windows и Linux.",
                                  {"# sentence length=25 offset=0",
                                   "tembra\tя открыл виндоус и линакс. "}},
                    NormalizeCase{"letter groups",
                                  {},
                                  "check и night",
                                  {"# sentence length=13 offset=0", "tembra\tчэк и найт "}},
                    NormalizeCase{"inside Ukrainian",
                                  {"-v", "tembra_uk"},
                                  "Я маю Windows.",
                                  {"# sentence length=14 offset=0", "tembra\tя маю виндоус. "}}));

INSTANTIATE_TEST_SUITE_P(
    Punctuation, Normalize,
    testing::Values(
        NormalizeCase{"kept for the pauses",
                      {},
                      "Привет, мир! Как дела?",
                      {"# sentence length=22 offset=0", "tembra\tпривет, мир! как дела? "}},
        NormalizeCase{
            "spoken",
            {"--punct"},
            "Привет, мир! Как дела?",
            {"# sentence length=22 offset=0",
             "tembra\tпривет запятая мир восклицательный знак как дела вопросительный знак "}},
        NormalizeCase{"spoken after a Latin word",
                      {"--punct"},
                      "Linux.",
                      {"# sentence length=6 offset=0", "tembra\tлинакс точка "}},
        NormalizeCase{"spoken in Ukrainian",
                      {"--punct", "-v", "tembra_uk"},
                      "Так, так.",
                      {"# sentence length=9 offset=0", "tembra\tтак кома так крапка "}},
        NormalizeCase{"symbols spoken",
                      {"--punct"},
                      "№7",
                      {"# sentence length=2 offset=0", "tembra\tномер семь "}},
        NormalizeCase{"a symbol alone is named",
                      {"--punct"},
                      "%",
                      {"# sentence length=1 offset=0", "tembra\tпроцент "}}));

// Texts longer than 64 characters are spoken a sentence at a time; every sentence start is
// reported with its place in the input.
INSTANTIATE_TEST_SUITE_P(
    Sentences, Normalize,
    testing::Values(
        NormalizeCase{
            "four sentences",
            {},
            "Утром шёл дождь. Днём выглянуло солнце! А вечером снова пошёл дождь? Да, снова.",
            {"# sentence length=16 offset=0", "tembra\tутром шёл дождь. ",
             "# sentence length=23 offset=16", "tembra\tднём выглянуло солнце! ",
             "# sentence length=29 offset=39", "tembra\tа вечером снова пошёл дождь? ",
             "# sentence length=11 offset=68", "tembra\tда, снова. "}},
        NormalizeCase{"offsets count in the input, spaces and all",
                      {},
                      "Один.   Два",
                      {"# sentence length=11 offset=0", "tembra\tодин. два "}}));

constexpr const char* kRussian =
    "В 2024 году на выставку пришли 21000 человек, а билеты стоили 350 рублей.";
constexpr const char* kUkrainian = "Сьогодні в Києві 21 градус тепла, а завтра буде 25.";

// A plausible length for the text: the built-in voice reads about ten characters a second.
void expectSpeechOf(const Wav& wav, const std::string& text) {
    EXPECT_EQ(wav.formatTag, 1);
    EXPECT_EQ(wav.channels, 1);
    EXPECT_EQ(wav.sampleRate, 22050U);
    EXPECT_EQ(wav.bitsPerSample, 8);
    EXPECT_EQ(wav.bytesPerSecond, 22050U);
    EXPECT_EQ(wav.dataSize, wav.data.size());
    EXPECT_EQ(wav.riffSize, 36 + wav.dataSize + (wav.dataSize & 1));
    const double characters = static_cast<double>(fromUtf8(text).size());
    EXPECT_GT(wav.seconds(), characters / 40);
    EXPECT_LT(wav.seconds(), characters / 4);
    EXPECT_GT(soundingShare(wav.data), 0.2);
}

TEST_F(Vxtts, SpeaksRussianToAFile) {
    const Result result = run({"say", "-o", "out.wav", kRussian});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out + result.err, "");
    expectSpeechOf(wavFile("out.wav"), kRussian);
    EXPECT_EQ(madeFiles(), std::vector<std::string>{"out.wav"});
}

TEST_F(Vxtts, SpeaksUkrainianToAFile) {
    const Result result = run({"say", "-v", "tembra_uk", "-o", "out.wav", kUkrainian});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    expectSpeechOf(wavFile("out.wav"), kUkrainian);
}

TEST_F(Vxtts, StreamsTheSameAudioToStandardOutput) {
    ASSERT_EQ(run({"say", "-o", "out.wav", kRussian}).exitCode, 0);
    const Result streamed = run({"say", "--stdout", kRussian});
    ASSERT_EQ(streamed.exitCode, 0) << streamed.err;
    const Wav stream = parseWav(streamed.out);
    EXPECT_EQ(stream.riffSize, 0xFFFFFFFFU);
    EXPECT_EQ(stream.dataSize, 0xFFFFFFFFU);
    EXPECT_EQ(stream.sampleRate, 22050U);
    EXPECT_EQ(stream.data, wavFile("out.wav").data);
}

TEST_F(Vxtts, ReadsTheTextFromAFileOrStandardInputAlike) {
    folder.writeBytes("input.txt", kRussian);
    ASSERT_EQ(run({"say", "-o", "words.wav", kRussian}).exitCode, 0);
    ASSERT_EQ(run({"say", "-o", "file.wav", "-f", "input.txt"}).exitCode, 0);
    ASSERT_EQ(run({"say", "-o", "stdin.wav", "-"}, kRussian).exitCode, 0);
    const std::string words = wavFile("words.wav").data;
    EXPECT_FALSE(words.empty());
    EXPECT_EQ(wavFile("file.wav").data, words);
    EXPECT_EQ(wavFile("stdin.wav").data, words);
}

// Rate, volume, spelling and spoken punctuation reach the voice.
TEST_F(Vxtts, AdjustmentsChangeTheSpeech) {
    const std::string text = "Да, это так.";
    const auto speak = [&](std::vector<std::string> options) {
        options.insert(options.begin(), "say");
        options.insert(options.end(), {"-o", "out.wav", text});
        EXPECT_EQ(run(options).exitCode, 0);
        return wavFile("out.wav");
    };
    const Wav normal = speak({});
    EXPECT_LT(speak({"-r", "10"}).data.size(), normal.data.size() * 0.9);
    EXPECT_GT(speak({"-r", "-10"}).data.size(), normal.data.size() * 1.3);
    EXPECT_GT(speak({"--spell"}).data.size(), normal.data.size() * 2);
    EXPECT_GT(speak({"--punct"}).data.size(), normal.data.size() * 1.3);
    const Wav silent = speak({"-a", "0"});
    EXPECT_EQ(silent.data.size(), normal.data.size());
    EXPECT_EQ(soundingShare(silent.data), 0.0);
    const Wav half = speak({"-a", "50"});
    EXPECT_GT(soundingShare(half.data), 0.1);
    EXPECT_LT(soundingShare(half.data), soundingShare(normal.data));
}

// Sentence events of a text of several chunks: offsets in the input that increase, each at the
// start of a sentence, and audio positions within the audio.
TEST_F(Vxtts, ReportsSentencesAsJsonLines) {
    const std::string prose = sourceText("bench/data/prose_ru.txt");
    const std::u16string text = fromUtf8(prose).substr(0, 3000);
    folder.writeBytes("input.txt", toUtf8(text));
    const Result result = run({"say", "--events", "-o", "out.wav", "-f", "input.txt"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const std::size_t audio = wavFile("out.wav").data.size();
    const std::regex line(
        R"(\{"event":"sentence","offset":(\d+),"length":(\d+),"position":(\d+)\})");
    std::vector<std::uint64_t> offsets;
    std::uint64_t lastPosition = 0;
    for (const std::string& event : linesOf(result.err)) {
        std::smatch match;
        ASSERT_TRUE(std::regex_match(event, match, line)) << event;
        const std::uint64_t offset = std::stoull(match[1]);
        const std::uint64_t length = std::stoull(match[2]);
        const std::uint64_t position = std::stoull(match[3]);
        ASSERT_LE(offset + length, text.size()) << event;
        EXPECT_TRUE(offsets.empty() || offset > offsets.back()) << event;
        EXPECT_GE(position, lastPosition) << event;
        EXPECT_LT(position, audio) << event;
        const std::size_t before = text.find_last_not_of(u" \n", offset == 0 ? 0 : offset - 1);
        if (offset > 0) {
            EXPECT_NE(std::u16string_view(u".!?:;\u2013\u2026").find(text[before]),
                      std::u16string_view::npos)
                << event << ": " << toUtf8(text.substr(before, 20));
        }
        offsets.push_back(offset);
        lastPosition = position;
    }
    EXPECT_EQ(offsets.front(), 0U);
    EXPECT_GT(offsets.size(), 20U);
}

// Each failure: one line on standard error, a non-zero exit, and no file under the output's
// name (nor a temporary one beside it).
struct ErrorCase {
    const char* topic;
    std::string input; // written to input.txt and given on standard input
    std::vector<std::string> arguments;
    std::string message;
    int exitCode;
};

void PrintTo(const ErrorCase& c, std::ostream* os) {
    *os << c.topic;
}

class Errors : public Vxtts, public testing::WithParamInterface<ErrorCase> {};

TEST_P(Errors, AreOneLineAndLeaveNoFile) {
    folder.writeBytes("input.txt", GetParam().input);
    std::filesystem::create_directory(folder.path() / "folder.wav");
    const Result result = run(GetParam().arguments, GetParam().input);
    EXPECT_EQ(result.exitCode, GetParam().exitCode);
    EXPECT_EQ(result.err, "vxtts: " + GetParam().message + "\n");
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(madeFiles(), std::vector<std::string>{"folder.wav"});
}

std::string longTextThenBadByte() {
    std::string text;
    for (int i = 0; i < 300; ++i) {
        text += "Это одно предложение. ";
    }
    return text + "\xFF";
}

INSTANTIATE_TEST_SUITE_P(
    Vxtts, Errors,
    testing::Values(
        ErrorCase{"unknown voice",
                  "",
                  {"say", "-v", "nobody", "-o", "out.wav", "Да"},
                  "unknown voice 'nobody' (voices: tembra, tembra_uk)",
                  1},
        ErrorCase{"unknown voice to normalize",
                  "",
                  {"normalize", "-v", "nobody", "Да"},
                  "unknown voice 'nobody' (voices: tembra, tembra_uk)",
                  1},
        ErrorCase{"missing file",
                  "",
                  {"say", "-o", "out.wav", "-f", "missing.txt"},
                  "cannot read 'missing.txt': there is no such file",
                  1},
        ErrorCase{"a folder to read",
                  "",
                  {"say", "-o", "out.wav", "-f", "folder.wav"},
                  "cannot read 'folder.wav': it is a folder",
                  1},
        ErrorCase{"bad bytes in a file",
                  "Привет \xFF",
                  {"say", "-o", "out.wav", "-f", "input.txt"},
                  "'input.txt' is not UTF-8 (bad bytes at byte 13)",
                  1},
        ErrorCase{"bad bytes after many sentences were spoken",
                  longTextThenBadByte(),
                  {"say", "-o", "out.wav", "-f", "input.txt"},
                  "'input.txt' is not UTF-8 (bad bytes at byte 12000)",
                  1},
        ErrorCase{"bad bytes in the arguments",
                  "",
                  {"say", "-o", "out.wav", "Да\xC0"},
                  "the text is not UTF-8 (bad bytes at byte 4)",
                  1},
        ErrorCase{"bad bytes on standard input",
                  "Да \xFF",
                  {"say", "-o", "out.wav", "-"},
                  "standard input is not UTF-8 (bad bytes at byte 5)",
                  1},
        ErrorCase{"output in a missing folder",
                  "",
                  {"say", "-o", "missing/out.wav", "Да"},
                  "cannot write 'missing/out.wav': there is no folder 'missing'",
                  1},
        ErrorCase{"output is a device",
                  "",
                  {"say", "-o", "/dev/null", "Да"},
                  "cannot write '/dev/null': not a regular file (--stdout writes a stream)",
                  1},
        ErrorCase{"output is a folder",
                  "",
                  {"say", "-o", "folder.wav", "Да"},
                  "cannot write 'folder.wav': it is a folder",
                  1},
        ErrorCase{"nothing to say",
                  "  \n",
                  {"say", "-o", "out.wav", "-f", "input.txt"},
                  "'input.txt' has nothing to speak",
                  1},
        ErrorCase{"symbols alone say nothing",
                  "",
                  {"say", "-o", "out.wav", "@#"},
                  "the voice 'tembra' said nothing",
                  1},
        ErrorCase{"rate out of range",
                  "",
                  {"say", "-r", "20", "-o", "out.wav", "Да"},
                  "say: -r takes a whole number from -10 to 10, not '20' (see 'vxtts say --help')",
                  2}));

// A reader that stops reading makes the writes fail: vxtts stops and says so.
TEST_F(Vxtts, StopsWhenStandardOutputCloses) {
    folder.writeBytes("input.txt", sourceText("bench/data/prose_ru.txt"));
    const auto& root = folder.path();
    const std::string command =
        "cd " + shellQuoted(root.string()) +
        " && (XDG_CONFIG_HOME=" + shellQuoted((root / "config").string()) +
        " TMPDIR=" + shellQuoted(root.string()) + " " + shellQuoted(VXTTS_PROGRAM) +
        " say --stdout -f input.txt 2>stderr; echo $? >status) | head -c 1000 >/dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);
    EXPECT_EQ(test::readBytes(root / "status"), "1\n");
    EXPECT_EQ(test::readBytes(root / "stderr"), "vxtts: cannot write to standard output\n");
}

} // namespace
} // namespace vx
