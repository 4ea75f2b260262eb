// The vxtts program as a user runs it: the shipped data beside it, and its own per-user and
// temporary folders in a fresh test folder, so that the first run copies the data there as it
// would into the user's home.

#include "platform/Utf.h"
#include "tests/support/TempFolder.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace vx {
namespace {

using Args = std::vector<std::string>;

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
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

// A little-endian field of a WAV header.
std::uint32_t field(const std::string& wav, std::size_t at, std::size_t size = 4) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < size && at + i < wav.size(); ++i) {
        value |= static_cast<std::uint32_t>(static_cast<unsigned char>(wav[at + i])) << (8 * i);
    }
    return value;
}

// The samples after the 44-byte header of a WAV file or stream, as many as the header claims.
std::string samples(const std::string& wav) {
    if (wav.size() < 44 || wav.substr(0, 4) != "RIFF" || wav.substr(8, 8) != "WAVEfmt " ||
        wav.substr(36, 4) != "data") {
        ADD_FAILURE() << "not a WAV header";
        return {};
    }
    return wav.substr(44, field(wav, 40));
}

// The share of 8-bit samples away from silence (128) by more than a little noise.
double soundingShare(const std::string& data) {
    std::size_t sounding = 0;
    for (const char c : data) {
        sounding += std::abs(static_cast<int>(static_cast<unsigned char>(c)) - 128) > 4 ? 1 : 0;
    }
    return data.empty() ? 0.0 : static_cast<double>(sounding) / static_cast<double>(data.size());
}

// 8-bit mono PCM at 22050 Hz whose header sizes match the file, of a plausible length for the
// text: the built-in voice reads about ten characters a second.
void expectSpeechOf(const std::string& wav, const std::string& text) {
    const std::string data = samples(wav);
    EXPECT_EQ(field(wav, 20, 2), 1U);     // PCM
    EXPECT_EQ(field(wav, 22, 2), 1U);     // channels
    EXPECT_EQ(field(wav, 24), 22050U);    // sample rate
    EXPECT_EQ(field(wav, 28), 22050U);    // bytes a second
    EXPECT_EQ(field(wav, 34, 2), 8U);     // bits a sample
    EXPECT_EQ(field(wav, 40), data.size());
    EXPECT_EQ(field(wav, 4), 36 + data.size() + (data.size() & 1));
    const double seconds = static_cast<double>(data.size()) / 22050;
    const double characters = static_cast<double>(fromUtf8(text).size());
    EXPECT_GT(seconds, characters / 40);
    EXPECT_LT(seconds, characters / 4);
    EXPECT_GT(soundingShare(data), 0.2);
}

constexpr const char* kRussian =
    "В 2024 году на выставку пришли 21000 человек, а билеты стоили 350 рублей.";
constexpr const char* kUkrainian = "Сьогодні в Києві 21 градус тепла, а завтра буде 25.";

class Vxtts : public testing::Test {
protected:
    // The shell command that runs vxtts in the test folder with the arguments.
    std::string command(const Args& arguments) const {
        const auto& root = folder.path();
        std::filesystem::create_directories(root / "tmp");
        std::string line = "cd " + shellQuoted(root.string()) +
                           " && XDG_CONFIG_HOME=" + shellQuoted((root / "config").string()) +
                           " TMPDIR=" + shellQuoted((root / "tmp").string()) + " " +
                           shellQuoted(VXTTS_PROGRAM);
        for (const std::string& argument : arguments) {
            line += " " + shellQuoted(argument);
        }
        return line;
    }

    // Runs vxtts with the arguments and, on standard input, input.
    Result run(const Args& arguments, const std::string& input = {}) const {
        folder.writeBytes("stdin", input);
        const std::string line =
            command(arguments) + " <stdin >stdout 2>stderr; echo $? >status";
        EXPECT_EQ(std::system(line.c_str()), 0);
        return {std::atoi(read("status").c_str()), read("stdout"), read("stderr")};
    }

    std::string read(const char* name) const { return test::readBytes(folder.path() / name); }

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
    for (const Args& arguments : {Args{"--help"}, Args{"say", "--help"}, Args{"voices", "--help"},
                                  Args{"normalize", "--help"}}) {
        const Result result = run(arguments);
        EXPECT_EQ(result.exitCode, 0) << arguments.front();
        EXPECT_EQ(result.out.rfind("usage: vxtts", 0), 0U) << result.out;
        EXPECT_EQ(result.err, "");
    }
}

// The shipped voices with the language and module of each subvoice, in order (a subvoice of an
// unknown language or module is left out). The first run copies the program's data folder
// into the per-user folder, and from then on the user's copy is the one read.
TEST_F(Vxtts, ListsTheVoicesOfTheUsersCopyOfTheData) {
    const Result result = run({"voices"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out, "tembra\tru=tembra en=tembra\ntembra_uk\tuk=tembra en=tembra\n");
    ASSERT_TRUE(std::filesystem::exists(folder.path() / "config/VxTts/data/voices.conf"));
    folder.writeUtf16("config/VxTts/data/voices.conf", u"[mine]\nru = tembra\n");
    EXPECT_EQ(run({"voices"}).out, "mine\tru=tembra\n");
}

// What the modules get for a text of one sentence: its place, then one module call whose words
// end in a space, as the pipeline hands them over.
struct NormalizeCase {
    std::string text;
    std::string words;
    Args options = {};
};

void PrintTo(const NormalizeCase& c, std::ostream* os) { *os << c.text; }

class Normalize : public Vxtts, public testing::WithParamInterface<NormalizeCase> {};

TEST_P(Normalize, GivesTheModulesTheseWords) {
    Args arguments{"normalize"};
    arguments.insert(arguments.end(), GetParam().options.begin(), GetParam().options.end());
    arguments.insert(arguments.end(), {"--", GetParam().text});
    const Result result = run(arguments);
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.exitCode, 0);
    const std::size_t length = fromUtf8(GetParam().text).size();
    EXPECT_EQ(linesOf(result.out),
              Args({"# sentence length=" + std::to_string(length) + " offset=0",
                    "tembra\t" + GetParam().words + " "}));
}

const Args kUk = {"-v", "tembra_uk"};
const Args kPunct = {"--punct"};

INSTANTIATE_TEST_SUITE_P(
    Texts, Normalize,
    testing::Values(
        // Numbers in words with their plural forms, abbreviations after them and after words.
        NormalizeCase{"21000 руб.", "двадцать одна тысяча рублей"},
        NormalizeCase{"2024 книги", "две тысячи двадцать четыре книги"},
        NormalizeCase{"1001 грн", "одна тысяча одын грывэнь", kUk},
        NormalizeCase{"5 кг и 5 км", "пять килограмм и пять километров"},
        NormalizeCase{"Адрес: ул. Ленина, стр. 5", "адрес: улица ленина, страница пять"},
        NormalizeCase{"ДНК", "дэ эн ка"},
        NormalizeCase{"т. зв. м'ясо", "так званый мъясо", kUk},
        // Latin words read by the English subvoice.
        NormalizeCase{"Я открыл Windows и Linux.", "я открыл виндоус и линакс."},
        NormalizeCase{"Я маю Windows.", "я маю виндоус.", kUk},
        // Punctuation kept for the pauses, or spoken in the language of the word before it.
        NormalizeCase{"Привет, мир! Как дела?", "привет, мир! как дела?"},
        NormalizeCase{"Привет, мир! Как дела?",
                      "привет запятая мир восклицательный знак как дела вопросительный знак",
                      kPunct},
        NormalizeCase{"Linux.", "линакс точка", kPunct},
        NormalizeCase{"Так, так.", "так кома так крапка", {"--punct", "-v", "tembra_uk"}},
        NormalizeCase{"№7", "номер семь", kPunct},
        NormalizeCase{"%", "процент", kPunct},
        // A text of 64 characters or fewer is one sentence; offsets count spaces and all.
        NormalizeCase{"Один.   Два", "один. два"}));

// Longer texts are spoken a sentence at a time; every sentence start is reported with its place
// in the input.
TEST_F(Vxtts, NormalizesALongTextASentenceAtATime) {
    const Result result = run({"normalize", "Утром шёл дождь. Днём выглянуло солнце! "
                                            "А вечером снова пошёл дождь? Да, снова."});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(linesOf(result.out),
              Args({"# sentence length=16 offset=0", "tembra\tутром шёл дождь. ",
                    "# sentence length=23 offset=16", "tembra\tднём выглянуло солнце! ",
                    "# sentence length=29 offset=39", "tembra\tа вечером снова пошёл дождь? ",
                    "# sentence length=11 offset=68", "tembra\tда, снова. "}));
}

// Both voices speak to a file; the same text gives the same audio from the arguments, a file,
// standard input, or as a stream on standard output (whose header cannot know the sizes).
TEST_F(Vxtts, SpeaksToAFileOrAStreamAlike) {
    Result result = run({"say", "-v", "tembra_uk", "-o", "out.wav", kUkrainian});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    expectSpeechOf(read("out.wav"), kUkrainian);
    result = run({"say", "-o", "out.wav", kRussian});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out + result.err, "");
    const std::string file = read("out.wav");
    expectSpeechOf(file, kRussian);

    const Result streamed = run({"say", "--stdout", kRussian});
    ASSERT_EQ(streamed.exitCode, 0) << streamed.err;
    EXPECT_EQ(field(streamed.out, 4), 0xFFFFFFFFU);
    EXPECT_EQ(field(streamed.out, 40), 0xFFFFFFFFU);
    EXPECT_EQ(field(streamed.out, 24), 22050U);
    EXPECT_TRUE(samples(streamed.out) == samples(file)) << "the stream has other samples";
    EXPECT_EQ(madeFiles(), Args{"out.wav"});

    folder.writeBytes("input.txt", kRussian);
    ASSERT_EQ(run({"say", "-o", "file.wav", "-f", "input.txt"}).exitCode, 0);
    ASSERT_EQ(run({"say", "-o", "stdin.wav", "-"}, kRussian).exitCode, 0);
    EXPECT_TRUE(read("file.wav") == file) << "the text from a file speaks otherwise";
    EXPECT_TRUE(read("stdin.wav") == file) << "the text from standard input speaks otherwise";
}

// Rate, volume, spelling and spoken punctuation reach the voice.
TEST_F(Vxtts, AdjustmentsChangeTheSpeech) {
    const auto speak = [&](Args options) {
        options.insert(options.begin(), "say");
        options.insert(options.end(), {"-o", "out.wav", "Да, это так."});
        EXPECT_EQ(run(options).exitCode, 0);
        return samples(read("out.wav"));
    };
    const std::string normal = speak({});
    EXPECT_LT(speak({"-r", "10"}).size(), normal.size() * 0.9);
    EXPECT_GT(speak({"-r", "-10"}).size(), normal.size() * 1.3);
    EXPECT_GT(speak({"--spell"}).size(), normal.size() * 2);
    EXPECT_GT(speak({"--punct"}).size(), normal.size() * 1.3);
    const std::string silent = speak({"-a", "0"});
    EXPECT_EQ(silent.size(), normal.size());
    EXPECT_EQ(soundingShare(silent), 0.0);
    const double half = soundingShare(speak({"-a", "50"}));
    EXPECT_GT(half, 0.1);
    EXPECT_LT(half, soundingShare(normal));
}

// Sentence events of a text of several chunks: offsets in the input that increase, each at the
// start of a sentence, and audio positions within the audio.
TEST_F(Vxtts, ReportsSentencesAsJsonLines) {
    const std::u16string text =
        fromUtf8(test::readBytes(std::filesystem::path(VX_SOURCE_DIR) / "bench/data/prose_ru.txt"))
            .substr(0, 3000);
    folder.writeBytes("input.txt", toUtf8(text));
    const Result result = run({"say", "--events", "-o", "out.wav", "-f", "input.txt"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const std::size_t audio = samples(read("out.wav")).size();
    const std::regex line(
        R"(\{"event":"sentence","offset":(\d+),"length":(\d+),"position":(\d+)\})");
    std::vector<std::uint64_t> offsets;
    std::uint64_t lastPosition = 0;
    for (const std::string& event : linesOf(result.err)) {
        std::smatch match;
        ASSERT_TRUE(std::regex_match(event, match, line)) << event;
        const std::uint64_t offset = std::stoull(match[1]);
        const std::uint64_t position = std::stoull(match[3]);
        ASSERT_LE(offset + std::stoull(match[2]), text.size()) << event;
        EXPECT_TRUE(offsets.empty() || offset > offsets.back()) << event;
        EXPECT_GE(position, lastPosition) << event;
        EXPECT_LT(position, audio) << event;
        if (offset > 0) {
            const std::size_t before = text.find_last_not_of(u" \n", offset - 1);
            EXPECT_NE(std::u16string_view(u".!?:;\u2013\u2026").find(text[before]),
                      std::u16string_view::npos)
                << event << ": " << toUtf8(text.substr(before, 20));
        }
        offsets.push_back(offset);
        lastPosition = position;
    }
    ASSERT_GT(offsets.size(), 20U);
    EXPECT_EQ(offsets.front(), 0U);
}

// Spelled, each character is its own sentence, at its own place in the input.
TEST_F(Vxtts, SpelledCharactersReportTheirPlaces) {
    const Result result = run({"say", "--spell", "--events", "-o", "out.wav", "аб в"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    std::vector<std::string> offsets;
    const std::regex offset(R"("offset":(\d+))");
    for (const std::string& event : linesOf(result.err)) {
        std::smatch match;
        ASSERT_TRUE(std::regex_search(event, match, offset)) << event;
        offsets.push_back(match[1]);
    }
    EXPECT_EQ(offsets, Args({"0", "1", "3"}));
}

// A voices.conf saved as UTF-8 defines nothing the engine can read: the log and the error both
// say which file it is.
TEST_F(Vxtts, AVoicesFileInAnotherEncodingIsNamed) {
    const std::string path = (folder.path() / "config/VxTts/data/voices.conf").string();
    folder.writeBytes("config/VxTts/data/voices.conf", "[tembra]\nru = tembra\n");
    const Result result = run({"say", "-o", "out.wav", "Да"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, "vxtts: unknown voice 'tembra' (voices: ): '" + path + "' is not UTF-16LE text\n");
    EXPECT_EQ(read("tmp/vxtts.log"),
              test::utf16le(u"* Not UTF-16LE text, its lines cannot be read as written: " + fromUtf8(path) + u"\n"));
}

// Each failure: one line on standard error, a non-zero exit, and no file under the output's
// name (nor a temporary one beside it).
struct ErrorCase {
    Args arguments;
    std::string message;
    std::string input = {}; // written to input.txt and given on standard input
    int exitCode = 1;
    std::u16string voices = {}; // the user's voices.conf, when not the shipped one
};

void PrintTo(const ErrorCase& c, std::ostream* os) { *os << c.message; }

class Errors : public Vxtts, public testing::WithParamInterface<ErrorCase> {};

TEST_P(Errors, AreOneLineAndLeaveNoFile) {
    folder.writeBytes("input.txt", GetParam().input);
    if (!GetParam().voices.empty()) {
        folder.writeUtf16("config/VxTts/data/voices.conf", GetParam().voices);
    }
    std::filesystem::create_directory(folder.path() / "folder.wav");
    const Result result = run(GetParam().arguments, GetParam().input);
    EXPECT_EQ(result.exitCode, GetParam().exitCode);
    EXPECT_EQ(result.err, "vxtts: " + GetParam().message + "\n");
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(madeFiles(), Args{"folder.wav"});
}

std::string manySentences() {
    std::string text;
    for (int i = 0; i < 300; ++i) {
        text += "Это одно предложение. ";
    }
    return text;
}

const std::string kNobody = "unknown voice 'nobody' (voices: tembra, tembra_uk)";
const Args kSayFile = {"say", "-o", "out.wav", "-f", "input.txt"};

INSTANTIATE_TEST_SUITE_P(
    Vxtts, Errors,
    testing::Values(
        ErrorCase{{"say", "-v", "nobody", "-o", "out.wav", "Да"}, kNobody},
        ErrorCase{{"normalize", "-v", "nobody", "Да"}, kNobody},
        ErrorCase{{"normalize", "-v", "v5", "Глава 12"}, "voice v5 has no subvoices", "", 1,
                  u"[v5]\ndigit_subvoice = 2\n"},
        ErrorCase{{"say", "-v", "v5", "-o", "out.wav", "Да"}, "voice v5 has no subvoices", "", 1,
                  u"[v5]\ndigit_subvoice = 2\n"},
        ErrorCase{{"say", "-o", "out.wav", "-f", "missing.txt"},
                  "cannot read 'missing.txt': there is no such file"},
        ErrorCase{{"say", "-o", "out.wav", "-f", "folder.wav"},
                  "cannot read 'folder.wav': it is a folder"},
        ErrorCase{kSayFile, "'input.txt' is not UTF-8 (bad bytes at byte 13)", "Привет \xFF"},
        // Found only after many sentences were spoken: the partial output goes too.
        ErrorCase{kSayFile, "'input.txt' is not UTF-8 (bad bytes at byte 12000)",
                  manySentences() + "\xFF"},
        ErrorCase{{"say", "-o", "out.wav", "Да\xC0"},
                  "the text is not UTF-8 (bad bytes at byte 4)"},
        ErrorCase{{"say", "-o", "out.wav", "-"},
                  "standard input is not UTF-8 (bad bytes at byte 5)", "Да \xFF"},
        ErrorCase{{"say", "-o", "missing/out.wav", "Да"},
                  "cannot write 'missing/out.wav': there is no folder 'missing'"},
        ErrorCase{{"say", "-o", "/dev/null", "Да"},
                  "cannot write '/dev/null': not a regular file (--stdout writes a stream)"},
        ErrorCase{{"say", "-o", "folder.wav", "Да"}, "cannot write 'folder.wav': it is a folder"},
        ErrorCase{kSayFile, "'input.txt' has nothing to speak", "  \n"},
        ErrorCase{{"say", "-o", "out.wav", "@#"}, "the voice 'tembra' said nothing"},
        ErrorCase{{"say", "-r", "20", "-o", "out.wav", "Да"},
                  "say: -r takes a whole number from -10 to 10, not '20' (see 'vxtts say --help')",
                  "", 2}));

// A reader that stops reading makes the writes fail: vxtts stops and says so.
TEST_F(Vxtts, StopsWhenStandardOutputCloses) {
    folder.writeBytes("input.txt", manySentences());
    const std::string line = "(" + command({"say", "--stdout", "-f", "input.txt"}) +
                             " 2>stderr; echo $? >status) | head -c 1000 >/dev/null";
    ASSERT_EQ(std::system(line.c_str()), 0);
    EXPECT_EQ(read("status"), "1\n");
    EXPECT_EQ(read("stderr"), "vxtts: cannot write to standard output\n");
}

} // namespace
} // namespace vx
