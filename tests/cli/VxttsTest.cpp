// What the vxtts commands do, run as a user runs them with the shipped data beside the program.
// Its faults (damaged configuration, missing files, failing output...) are FaultMatrixTest's.

#include "platform/Utf.h"
#include "tests/cli/VxttsRun.h"
#include "tests/support/Samples.h"

namespace vx {
namespace {

using test::Args;
using test::operator+;
using test::field;

// The samples of 8-bit mono PCM at 22050 Hz, as many as the header claims.
std::string samples(const std::string& wav) {
    const std::string format("WAVEfmt \x10\0\0\0\x01\0\x01\0\x22\x56\0\0\x22\x56\0\0\x01\0\x08\0data", 32);
    EXPECT_TRUE(wav.size() >= 44 && wav.substr(0, 4) == "RIFF" && wav.substr(8, 32) == format) << "not our WAV";
    return wav.size() < 44 ? std::string() : wav.substr(44, field(wav, 40));
}

// The largest distance of an 8-bit sample from silence.
int peak(const std::string& data) { return test::peak(test::decoded(data, 8)); }

// 300 sentences, 12000 bytes.
const std::string kSentences = std::regex_replace(std::string(300, '.'), std::regex("[.]"), "Это одно предложение. ");

using test::Vxtts;

// A command's output, error, exit code and log. The user's copy of the data is read first. normalize
// lists each sentence start in the units of the input, then what the module gets; a text of up to
// 64 characters is one sentence. A failure leaves no file under the output's name, nor a temporary.
struct Command {
    Args arguments;
    std::string out;
    std::string error = {};  // without "vxtts: " and the line end
    std::string input = {};  // given on standard input, which is the file tmp/in
    std::string voices = {}; // the bytes of the user's voices.conf
    int exitCode = 1; // when there is an error
    std::string output = "cat >tmp/out";
};

TEST_F(Vxtts, CommandsPrintWhatTheyDoOrOneError) {
    // A sentence start, then (unless empty) the module's line.
    const auto sentence = [](int length, int offset, const std::string& words) {
        return "# sentence length=" + std::to_string(length) + " offset=" + std::to_string(offset) + "\n" +
               (words.empty() ? "" : "tembra\t" + words + " \n");
    };
    const std::string day = "Утром шёл дождь. Днём выглянуло солнце! Что же вечером? Не знаю.";
    const std::string mine =
        test::utf16le(u"[a]\nxx=tembra\n[b]\nru=tembra\n#xx=tembra\n[c\ne\\u006e=tembra\ndigit_subvoice=2\n");
    // The log says which line leaves a voice out, and why.
    const std::string leftOut = "* " + (folder.path() / "config/VxTts/data/voices.conf").string() + ": [a] xx = tembra is no "
                                "voice key, nor a language of langs.conf with a module of engines.conf: the voice's lines up "
                                "to it are dropped\n";
    const Args say = {"say", "-o", "out.wav"};
    const std::string shippedManifest = test::readBytes(test::shippedData() / "manifest.txt");
    const Command rows[] = {
        {{"voices"}, "espeak_ru\tru=espeak en_latin=espeak_en\ntembra\tru=tembra en=tembra\ntembra_uk\tuk=tembra_uk en=tembra_uk\n"},
        // The user's voices.conf with a comment, an escape and a line that is nothing: a voice with a
        // line of an unknown language is left out.
        {{"voices"}, "b\tru=tembra en=tembra\n", "", "", mine},
        {{"normalize", "-v", "b", "12"}, sentence(2, 0, "твэлв"), "", "", mine},
        // eSpeak's English is given the Latin words as written.
        {{"normalize", "-v", "espeak_ru", "Да, John's PDF"}, "# sentence length=14 offset=0\nespeak\tда,\nespeak_en\tjohns p d f\n"},
        {{"normalize", "--punct", "Да, мир!"}, sentence(8, 0, "да запятая мир восклицательный знак")},
        // A short text is one portion; with exact events each of its sentences starts at its own place.
        {{"normalize", "-"}, sentence(5, 0, "") + sentence(3, 8, "один. два"), "", "Один.   Два"},
        {{"normalize", day}, sentence(16, 0, "") + sentence(22, 17, "") + sentence(15, 40, "") +
                                 sentence(8, 56, "утром шёл дождь. днём выглянуло солнце! что же вечером? не знаю.")},
        // The shipped voices' events are exact: a sentence starts at its first letter, not at the
        // space before it.
        {{"normalize", day + " Да?"}, sentence(16, 0, "утром шёл дождь.") + sentence(22, 17, "днём выглянуло солнце!") +
                                          sentence(15, 40, "что же вечером?") + sentence(8, 56, "не знаю.") +
                                          sentence(3, 65, "да?")},
        // A text without sentence ends is spoken in portions of at most 512 units (of nothing spoken here).
        {{"normalize", std::string(513, '#')}, "# sentence length=512 offset=0\n"},
        {say + Args{"-v", "nobody", "Да"}, "", "unknown voice 'nobody' (voices: espeak_ru, tembra, tembra_uk)"},
        // Found only after many sentences were spoken: the partial output goes too.
        {say + Args{"-f", "tmp/in"}, "", "'tmp/in' is not UTF-8 (bad bytes at byte 12000)", kSentences + "\xFF"},
        {say + Args{"Да\xC0"}, "", "the text is not UTF-8 (bad bytes at byte 4)"},
        {say + Args{"-"}, "", "standard input is not UTF-8 (bad bytes at byte 5)", "Да \xFF"},
        {say + Args{"-"}, "", "standard input has nothing to speak", "  \n"},
        {say + Args{"#*"}, "", "the voice 'tembra' said nothing"},
        // Only the pauses between spelled characters: nothing said either.
        {say + Args{"--spell", "😀"}, "", "the voice 'tembra' said nothing"},
        // Silent on purpose, or nearly (the shipped eSpeak voice, which finds the system's library): said.
        {{"say", "--stdout", "--xml", "<volume level=\"0\">Да</volume>"}, "RIFF", "", "", "", 0,
         "{ head -c4 >tmp/out; cat >/dev/null; }"},
        {{"say", "--stdout", "-v", "espeak_ru", "-a", "1", "Да, это так."}, "RIFF", "", "", "", 0,
         "{ head -c4 >tmp/out; cat >/dev/null; }"},
        {say + Args{"-r", "20", "Да"}, "", "say: -r takes a whole number from -10 to 10, not '20' (see 'vxtts say "
                                          "--help')", "", "", 2},
        // SAPI XML: with --xml, or a file or standard input that starts with '<' after white space.
        {say + Args{"--xml", "Да <rate>"}, "", "the text is not SAPI XML: line 1, column 4: <rate> needs speed or absspeed"},
        {say + Args{"-"}, "", "standard input is not SAPI XML: line 2, column 2: <emph> is not closed", "\n <emph>Да"},
        {say + Args{"--xml", "<!-- -->"}, "", "the text has nothing to speak"},
    };
    for (const Command& row : rows) {
        SCOPED_TRACE(row.arguments.back() + " " + row.error);
        std::filesystem::remove_all(folder.path() / "config");
        std::filesystem::remove_all(folder.path() / "tmp");
        // A user of this version who changed voices.conf: the copy's manifest is the program's.
        if (!row.voices.empty()) {
            folder.writeBytes("config/VxTts/data/voices.conf", row.voices);
            folder.writeBytes("config/VxTts/data/manifest.txt", shippedManifest);
        }
        EXPECT_EQ(run(row.arguments, row.input, row.output), row.error.empty() ? 0 : row.exitCode);
        EXPECT_EQ(read("tmp/out"), row.out);
        EXPECT_EQ(read("tmp/error"), row.error.empty() ? "" : "vxtts: " + row.error + "\n");
        EXPECT_TRUE(madeFiles().empty());
        EXPECT_EQ(read("tmp/vxtts.log"), row.voices == mine ? test::utf16le(fromUtf8(leftOut)) : "");
    }
    EXPECT_EQ(run({"--help"}) + run({"say", "--help"}), 0);
    EXPECT_EQ(read("tmp/out").rfind("usage: vxtts say", 0), 0U);
}

// Both voices speak, each its own way, a WAV file of a plausible length (about ten characters a
// second); the same text gives the same audio from the arguments, a file, standard input, or as
// a stream on standard output (whose header cannot know the sizes).
TEST_F(Vxtts, SpeaksToAFileOrAStreamAlike) {
    const std::string text = "В 2024 году на выставку пришли 21000 человек, а билеты стоили 350 рублей.";
    for (const Args& arguments : {Args{"-o", "uk.wav", "-v", "tembra_uk", text}, Args{"-o", "ru.wav", text},
                                  Args{"-o", "file.wav", "-f", "tmp/in"}, Args{"-o", "piped.wav", "-"}}) {
        EXPECT_EQ(run(Args{"say"} + arguments, text), 0) << arguments[1];
        const std::string wav = read(arguments[1]), data = samples(wav);
        EXPECT_EQ(field(wav, 4), 36 + data.size() + data.size() % 2);
        EXPECT_TRUE(data.size() > 22050 * 73 / 40 && data.size() < 22050 * 73 / 4) << data.size();
        EXPECT_GT(peak(data), 60);
        EXPECT_EQ(read("tmp/out") + read("tmp/error"), "");
    }
    EXPECT_EQ(madeFiles(), std::set<std::string>({"file.wav", "piped.wav", "ru.wav", "uk.wav"}));
    EXPECT_TRUE(read("ru.wav") == read("file.wav") && read("ru.wav") == read("piped.wav")) << "the input matters";
    EXPECT_TRUE(read("ru.wav") != read("uk.wav")) << "the voice is not passed on";
    EXPECT_TRUE(std::filesystem::exists(folder.path() / "config/VxTts/data/langs.conf")) << "no copy of the data";
    EXPECT_EQ(run({"say", "--stdout", text}), 0);
    const std::string stream = read("tmp/out");
    EXPECT_EQ(field(stream, 4) & field(stream, 40), 0xFFFFFFFFU);
    EXPECT_TRUE(stream.substr(44) == samples(read("ru.wav"))) << "the stream has other samples";
}

// Rate, volume, spelling and spoken punctuation reach the voice: each changes the length of the
// speech relative to the normal one, or scales its amplitude, and each row's speech differs from
// the row's before.
TEST_F(Vxtts, AdjustmentsChangeTheSpeech) {
    const auto speak = [&](const Args& options, const std::string& text = "Да, это так. Ну что же?") {
        EXPECT_EQ(run(Args{"say", "-o", "out.wav", text} + options), 0);
        return samples(read("out.wav"));
    };
    std::string normal = speak({}), before = normal;
    const std::tuple<Args, double, double, double> rows[] = {
        // options, shortest and longest length, amplitude (1: not checked)
        {{"-r", "9"}, 0.3, 0.9, 1},  {{"-r", "10"}, 0.3, 0.9, 1}, {{"-r", "-10"}, 1.3, 4, 1}, {{"--spell"}, 2, 20, 1},
        {{"--punct"}, 1.3, 4, 1}, {{"-a", "0"}, 1, 1, 0},      {{"-a", "50"}, 1, 1, 0.5}};
    for (const auto& [options, shortest, longest, amplitude] : rows) {
        SCOPED_TRACE(options.front() + " " + options.back());
        const std::string data = speak(options);
        const double length = static_cast<double>(data.size()) / static_cast<double>(normal.size());
        EXPECT_TRUE(length >= shortest && length <= longest) << length;
        EXPECT_TRUE(amplitude == 1 || std::abs(1.0 * peak(data) / peak(normal) - amplitude) < 0.02) << peak(data);
        EXPECT_TRUE(data != before);
        before = data;
    }
}

// The events of --events lines, each "<kind> <text>; ": the text of the source that its offset and
// length name, or a bookmark's name; positions gets their positions.
std::string listed(const std::string& lines, const std::string& source, std::vector<std::string>* positions = nullptr) {
    const std::u16string units = fromUtf8(source);
    const std::regex line(R"re(\{"event":"(\w+)",(?:"offset":(\d+),"length":(\d+)|"name":"([^"]*)","value":\d+),"position":(\d+)\}\n)re");
    std::string listing;
    for (std::sregex_iterator match(lines.begin(), lines.end(), line), end; match != end; ++match) {
        const auto& m = *match;
        const std::u16string text = m[4].matched ? fromUtf8(m[4].str()) : units.substr(std::stoull(m[2]), std::stoull(m[3]));
        listing += m[1].str() + " " + toUtf8(text) + "; ";
        if (positions) positions->push_back(m[5].str());
    }
    return listing;
}

// Sentence and word events of a text of several chunks each name a sentence or a word of the input
// exactly, in order, the white space read to see that it is not XML counted. Spelled, each character
// is a sentence and a word at its own place.
TEST_F(Vxtts, ReportsSentencesAsJsonLines) {
    std::string text = " \n\t", expected;
    for (int i = 0; i < 50; ++i) {
        text += "Один раз.  Два раза?\nТри! ";
        expected += "sentence Один раз.; word Один; word раз; sentence Два раза?; word Два; word раза; sentence Три!; word Три; ";
    }
    ASSERT_EQ(run({"say", "--events", "-o", "out.wav", "-"}, text), 0) << read("tmp/error");
    EXPECT_EQ(listed(read("tmp/error"), text), expected);
    EXPECT_EQ(run({"say", "--spell", "--events", "-o", "out.wav", "аб в"}), 0);
    EXPECT_EQ(listed(read("tmp/error"), "аб в"), "sentence а; word а; sentence б; word б; sentence в; word в; ");
    // The shipped voices' events are exact: sentences and words name their places in the XML, and
    // each bookmark comes where the sentence after it begins to sound.
    const std::string xml = "Один раз. <bookmark mark=\"1\"/>Два. <bookmark mark=\"2\"/>Три.";
    ASSERT_EQ(run({"say", "--events", "-o", "out.wav", "--xml", xml}), 0) << read("tmp/error");
    std::vector<std::string> positions;
    EXPECT_EQ(listed(read("tmp/error"), xml, &positions), "sentence Один раз.; word Один; word раз; bookmark 1; "
                                                          "sentence Два.; word Два; bookmark 2; sentence Три.; word Три; ");
    ASSERT_EQ(positions.size(), 9U);
    EXPECT_EQ(positions[3], positions[4]);
    EXPECT_EQ(positions[6], positions[7]);
    EXPECT_NE(positions[3], positions[6]);
}

} // namespace
} // namespace vx
