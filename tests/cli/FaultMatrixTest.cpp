// The fault matrix: vxtts meeting what a user's machine can throw at it. Each row is a setup and
// what must happen: one clear error of the program's own (exact text, its exit code, never death by
// a signal) or a log line, no hang past the row's time-out, memory bounded, and nothing lost that
// was delivered: what reached a --stdout reader starts as a WAV stream; -o leaves a whole WAV file,
// or after a failure neither the file nor its hidden temporary.
// Faults only the engine object's caller can make (a site that aborts every Write, a Write that
// fails) are rows of kSpeakCases in tests/engine/TtsEngineTest.cpp.

#include "platform/Utf.h"
#include "tests/cli/VxttsRun.h"
#include "tests/support/LoopbackHttpServer.h"

#include <algorithm>
#include <random>
#include <unistd.h>

namespace vx {
namespace {

using test::Args;
using test::operator+;
using test::field;
using test::matches;
using test::shippedData;

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
// Under AddressSanitizer vxtts is several times slower and its memory is mostly the sanitizer's.
constexpr int kSlower = kSanitized ? 5 : 1;
constexpr std::size_t kBigMegabytes = kSanitized ? 1 : 10;

// What reached the reader of standard output (which reads all of it, or 100 bytes and goes) or
// the output file.
enum class Delivered { Nothing, Stream, Prefix, File };

struct Fault {
    std::string what;
    Args arguments;          // of "vxtts say"
    std::string error;       // without "vxtts: " and the line end; empty: none
    std::string log = {};    // a regular expression the log (as UTF-8) holds; empty: an empty log
    Delivered delivered = Delivered::Nothing;
    std::vector<std::pair<std::string, std::string>> files = {}; // bytes written into the test folder
    std::string setup = {};  // a shell command run in the test folder first
    std::string wrapper = {}; // the command vxtts runs under
    std::string input = {};
    int exitCode = -1;       // -1: 1 with an error, else 0
    int seconds = 10;
    int megabytes = 100;     // the peak of memory
};

// UTF-16LE bytes as UTF-8.
std::string fromUtf16le(const std::string& bytes) {
    std::u16string text;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2)
        text += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) | static_cast<unsigned char>(bytes[i + 1]) << 8);
    return toUtf8(text);
}

std::string repeated(const std::string& text, std::size_t times) { std::string out; while (times-- > 0) out += text; return out; }

// A shipped configuration file as UTF-8.
std::string shipped(const std::string& name) { return fromUtf16le(test::readBytes(test::shippedData() / name)); }
std::string utf16(const std::string& text) { return test::utf16le(fromUtf8(text)); }

// The program runs with a data folder of the test's own beside it.
class FaultMatrix : public test::Vxtts {};

TEST_F(FaultMatrix, EachFaultEndsInItsErrorWithNothingLost) {
    std::filesystem::create_directories(folder.path() / "prog");
    std::error_code linked;
    std::filesystem::create_hard_link(program, folder.path() / "prog/vxtts", linked);
    if (linked) std::filesystem::copy_file(program, folder.path() / "prog/vxtts");
    program = (folder.path() / "prog/vxtts").string();
    test::LoopbackHttpServer server;
    for (const std::string tone : {"tone22050-32.mp3", "tone16000.raw"})
        std::filesystem::copy_file(VX_TONE_FOLDER "/" + tone, server.folder().path() / tone);
    const std::string user = (folder.path() / "config/VxTts/data").string(), prog = (folder.path() / "prog/data").string();
    const std::string log = (folder.path() / "tmp/vxtts.log").string();
    const std::string noConfiguration = "cannot load the configuration (langs.conf, engines.conf, voices.conf) from '" + user + "', '" + prog + "'";
    const auto noUsableSubvoices = [&](const std::string& voice) {
        return "voice '" + voice + "' has no usable subvoices: none of its lines pairs a language of langs.conf with a "
               "module of engines.conf (in '" + user + "'; the log, '" + log + "', says what could not be read)";
    };
    const std::string noSubvoices = noUsableSubvoices("tembra");
    const std::string leftOut = "\\[tembra\\] ru = tembra is no voice key, nor a language of langs.conf";
    const std::string notUtf16 = "Not UTF-16LE text, its lines cannot be read as written: " + user + "/";
    // Root reads and writes whatever the modes say unless it gives up that power.
    const std::string modesHold = ::geteuid() == 0 ? "setpriv --bounding-set -dac_override,-dac_read_search" : "";
    const std::string text = "Вышел зайчик погулять, вдруг охотник выбегает. ";
    const std::string big = repeated(text, kBigMegabytes * 1000000 / text.size()), marks = [] {
        std::string xml;
        for (int i = 0; i < 100000; ++i) xml += "<bookmark mark=\"" + std::to_string(i) + "\"/>а ";
        return xml;
    }();
    const std::string letters = "абвгдежзийклмнопрстуфх", replacements = "[Replacements]\n";
    std::string doubling;
    for (std::size_t i = 0; i < 21; ++i) doubling += letters.substr(2 * i, 2) + "=" + repeated(letters.substr(2 * i + 2, 2), 2) + "\n";
    const auto dictionary = [&](const std::string& entries) {
        std::string conf = shipped("ru.conf");
        return utf16(conf.insert(conf.find(replacements) + replacements.size(), entries));
    };
    const auto voice = [](const std::string& module) { return std::pair{"config/VxTts/data/voices.conf", utf16("[v]\nru = " + module + "\n")}; };
    const auto engine = [](const std::string& section) { return std::pair{"config/VxTts/data/engines.conf", utf16(section)}; };
    const auto standin = [](const std::string& kind, const std::string& where, const std::string& library) {
        return "[" + kind + "]\npath = " VX_STANDIN_FOLDER "/" + where + "\nmodule = " + library + "\n";
    };
    const auto online = [&](const std::string& kind, const std::string& path) {
        return "[" + kind + "]\nsubname = ru\ntimeout = 1000\nrequest = " + server.url(path) + "&t=%s\n";
    };
    const std::string mp3 = "/file/tone22050-32.mp3?type=audio%2Fmpeg", raw = "/file/tone16000.raw?type=audio%2Fx-wav";
    const Args say = {"-o", "out.wav", "Да, 12 рублей."};
    using enum Delivered;
    const auto conf = [](const std::string& name) { return "config/VxTts/data/" + name; };
    std::vector<Fault> rows = {
        // The data folder beside the program, and the user's copy of it.
        {"no data", say, noConfiguration, "", Nothing, {}, "rm -r prog/data"},
        {"data unreadable", say, noConfiguration, "", Nothing, {}, "chmod 000 prog/data", modesHold},
        {"data a file", say, noConfiguration, "", Nothing, {}, "rm -r prog/data && touch prog/data"},
        {"user data unreadable", say, "", "could not be brought up to date", File, {}, "mkdir -p config/VxTts && cp -R prog/data config/VxTts/ && chmod 000 config/VxTts/data", modesHold},
        {"user data a file", say, "", "could not be brought up to date", File, {}, "mkdir -p config/VxTts && touch config/VxTts/data"},
        {"user folder a file", say, "", "The folder of the user's data cannot be made: .*config/VxTts; the program's data is used", File, {}, "touch config"},
        {"a voice of no lines", {"-v", "v5", "Да"}, noUsableSubvoices("v5"), "", Nothing,
         {{conf("voices.conf"), utf16("[v5]\ndigit_subvoice=2\n")}}},
        // Large input: streamed in bounded memory, each bookmark reported once and in order.
        {"10 MB", {"--stdout", "-"}, "", "", Stream, {}, "", "", big, -1, 60},
        {"100,000 digits", {"--stdout", "-"}, "", "", Stream, {}, "", "", std::string(100000, '7'), -1, 20},
        {"100,000 bookmarks", {"--stdout", "--events", "--xml", "-"}, "", "", Stream, {}, "", "", marks, -1, 20},
        // A user dictionary whose entries feed each other stops growing the text, and says where.
        {"doubling dictionary", {"-o", "out.wav", "ааа абв"}, "", "the replacements of ru: the entry 'н' would make a text of", File,
         {{conf("ru.conf"), dictionary(doubling)}}, "", "", "", -1, 10, 400},
        // Engine libraries that are missing or are none.
        {"eSpeak NG missing", {"-v", "v", "-o", "out.wav", "Да"}, "the voice 'v' failed and said nothing: the module 'espeak_x' cannot load '/none/x.so'",
         "can't load module espeak_x: /none/x.so", Nothing, {voice("espeak_x"), engine("[espeak_x]\npath = /none\nmodule = x.so\n")}},
        {"RHVoice missing", {"-v", "v", "-o", "out.wav", "Да"}, "the voice 'v' failed and said nothing: the module 'rhvoice' cannot load '" VX_STANDIN_FOLDER "/none/RHVoice.so'",
         "can't load module rhvoice", Nothing, {voice("rhvoice"), engine(standin("rhvoice", "none", "RHVoice.so"))}},
        {"Newfon without its companions", {"-v", "v", "-o", "out.wav", "Да"}, "the voice 'v' failed and said nothing: the module 'newfon' cannot load '" VX_STANDIN_FOLDER "/rhvoice/newfon.so'",
         "Can't load newfon", Nothing, {voice("newfon"), engine(standin("newfon", "rhvoice", "newfon.so"))}},
        // The Newfon engine's thread stalls before its first block of audio, or after it.
        {"Newfon mute", {"-v", "v", "-o", "out.wav", "mute"}, "the voice 'v' failed and said nothing", "The callback start time is exceeded", Nothing,
         {voice("newfon"), engine(standin("newfon", "newfon", "newfon.so"))}},
        {"Newfon stalls", {"-v", "v", "-o", "out.wav", "stall stall stall stall"}, "", "The waiting time is exceeded", File,
         {voice("newfon"), engine(standin("newfon", "newfon", "newfon.so"))}},
        // An online voice whose service refuses, fails, stalls or breaks off.
        {"service refuses", {"-v", "v", "-o", "out.wav", "Да"}, "the voice 'v' failed and said nothing", "Can't open the Google translator URL", Nothing,
         {voice("gtranslator"), engine("[gtranslator]\nsubname = ru\nrequest = http://127.0.0.1:1/?t=%s\n")}},
        {"service fails with its page", {"-v", "v", "-o", "out.wav", "Да"}, "the voice 'v' failed and said nothing", "incorrect content: text/html", Nothing,
         {voice("gtranslator"), engine(online("gtranslator", "/missing?"))}},
        {"service stalls", {"-v", "v", "-o", "out.wav", "Да"}, "", "google did not answer within 1000 ms", File,
         {voice("gtranslator"), engine(online("gtranslator", mp3 + "&stall=2000"))}},
        {"MP3 cut", {"-v", "v", "-o", "out.wav", "Да"}, "", "the answer of google broke off", File,
         {voice("gtranslator"), engine(online("gtranslator", mp3 + "&truncate=2000"))}},
        {"WAV cut", {"-v", "v", "-o", "out.wav", "Да"}, "", "broke off", File,
         {voice("mstranslator"), engine(online("mstranslator", raw + "&truncate=2000&a=%s"))}},
        // Input and output that cannot be read or written.
        {"no text file", {"-o", "out.wav", "-f", "missing.txt"}, "cannot read 'missing.txt': there is no such file"},
        {"text file a folder", {"-o", "out.wav", "-f", "tmp"}, "cannot read 'tmp': it is a folder"},
        {"no output folder", {"-o", "missing/out.wav", "Да"}, "cannot write 'missing/out.wav': there is no folder 'missing'"},
        {"output in /proc", {"-o", "/proc/out.wav", "Да"}, "cannot write '/proc/out.wav': cannot create a file in '/proc'"},
        {"output a device", {"-o", "/dev/null", "Да"}, "cannot write '/dev/null': not a regular file (--stdout writes a stream)"},
        {"output a folder", {"-o", "tmp", "Да"}, "cannot write 'tmp': it is a folder"},
        // A full file system needs a mount of its own, which only root can make: the file size
        // limit fails the writes as a full disk does.
        {"file system full", {"-o", "out.wav", "-"}, "cannot write 'out.wav' (is the disk full?)", "", Nothing, {}, "mkdir -p config/VxTts && cp -R prog/data config/VxTts/", "prlimit --fsize=100000", big.substr(0, 100000)},
        {"standard output full", {"--stdout", "Да"}, "cannot write to standard output", "", Nothing, {}, "", "sh -c 'exec \"$0\" \"$@\" >/dev/full'"},
        {"reader stops", {"--stdout", "-"}, "cannot write to standard output", "", Prefix, {}, "", "", big.substr(0, 100000)},
        // Interrupted while it writes a long text: the shell's code for the signal, nothing left.
        {"SIGINT", {"-o", "out.wav", "-"}, "interrupted", "", Nothing, {}, "", "timeout --foreground --preserve-status -s INT 1", big.substr(0, 2000000), 130},
        {"SIGTERM", {"-o", "out.wav", "-"}, "interrupted", "", Nothing, {}, "", "timeout --foreground --preserve-status -s TERM 1", big.substr(0, 2000000), 143},
        {"SIGHUP", {"-o", "out.wav", "-"}, "interrupted", "", Nothing, {}, "", "timeout --foreground --preserve-status -s HUP 1", big.substr(0, 2000000), 129},
    };
    // Damaged configuration in the user's copy, read as far as it goes: each file in UTF-8, as random
    // bytes, cut inside a character, with a line of 1 MB or with 100,000 more sections (read whole).
    // The errors of the first three; random bytes log a voice left out when langs.conf or
    // engines.conf lost the parts of its line.
    struct Damage { std::string file, inUtf8, random, cut, randomLog = {}; };
    const std::string unknownTembra = "unknown voice 'tembra' (voices: ): '" + user + "/voices.conf' ";
    const Damage damages[] = {{"voices.conf", unknownTembra + "is not UTF-16LE text", unknownTembra + "defines none", ""},
                              {"engines.conf", noSubvoices, noSubvoices, "", leftOut},
                              {"langs.conf", noSubvoices, noSubvoices, noSubvoices, leftOut},
                              {"ru.conf", "", "", ""}};
    std::string noise(4096, '\0');
    std::mt19937 random;
    for (char& byte : noise) byte = static_cast<char>(random());
    for (const Damage& damage : damages) {
        const std::string good = shipped(damage.file), unreadable = notUtf16 + damage.file;
        std::string sections = good;
        for (int i = 0; i < 100000; ++i) sections += "[s" + std::to_string(i) + "]\nru = tembra\n";
        const auto damaged = [&](const char* how, const std::string& error, const std::string& logged, const std::string& bytes,
                                 int megabytes = 100) {
            rows.push_back({damage.file + " " + how, say, error, logged, error.empty() ? File : Nothing,
                            {{conf(damage.file), bytes}}, "", "", "", -1, 10, megabytes});
        };
        damaged("UTF-8", damage.inUtf8, unreadable, good);
        damaged("random", damage.random, damage.randomLog, noise);
        damaged("cut", damage.cut, unreadable, utf16(good).substr(0, utf16(good).size() / 2 | 1));
        damaged("long line", "", "", utf16(good + "\n; " + std::string(1 << 20, 'x') + "\n"));
        damaged("sections", "", "", utf16(sections), damage.file == "langs.conf" ? 400 : 100);
    }
    if (kSanitized) std::cout << "[ SKIPPED  ] peak memory: under AddressSanitizer it is the sanitizer's, not vxtts's\n";
    const std::regex bookmark(R"re(\{"event":"bookmark","name":"([^"]*)",.*\n)re"), mark("mark=\"([^\"]*)\""), event(R"(\{"event".*\n)");
    for (const Fault& row : rows) {
        SCOPED_TRACE(row.what);
        // The shipped data beside the program, no user data.
        EXPECT_EQ(std::system(("cd " + test::shellQuoted(folder.path().string()) + " && chmod -R u+rwX . && rm -rf config tmp prog/data out.wav && "
                               "mkdir tmp && cp -R " + test::shellQuoted(shippedData().string()) + " prog/data").c_str()), 0);
        // A user of this version who changed those files in a copy made before.
        if (!row.files.empty()) {
            std::filesystem::create_directories(folder.path() / "config/VxTts");
            std::filesystem::copy(shippedData(), folder.path() / "config/VxTts/data");
        }
        for (const auto& [name, bytes] : row.files) folder.writeBytes(name, bytes);
        EXPECT_EQ(std::system(("cd " + test::shellQuoted(folder.path().string()) + " && " + (row.setup.empty() ? ":" : row.setup)).c_str()), 0);
        const std::string output = row.delivered == Stream   ? "{ head -c100 >tmp/out; cat >/dev/null; }"
                                   : row.delivered == Prefix ? "head -c100 >tmp/out"
                                                             : "cat >tmp/out";
        const std::string limits = "/usr/bin/time -f %M -o tmp/peak timeout -s KILL " + std::to_string(row.seconds * kSlower) + " " + row.wrapper;
        EXPECT_EQ(run(Args{"say"} + row.arguments, row.input, output, limits),
                  row.exitCode >= 0 ? row.exitCode : row.error.empty() ? 0 : 1);
        const std::string errors = read("tmp/error");
        EXPECT_EQ(std::regex_replace(errors, event, ""), row.error.empty() ? "" : "vxtts: " + row.error + "\n");
        if (std::ranges::find(row.arguments, "--events") != row.arguments.end()) {
            EXPECT_TRUE(matches(errors, bookmark) == matches(row.input, mark)) << "bookmarks lost, repeated or out of order";
        }
        const std::string logged = fromUtf16le(read("tmp/vxtts.log"));
        EXPECT_TRUE(row.log.empty() ? logged.empty() : std::regex_search(logged, std::regex(row.log))) << logged;
        const std::string out = read("tmp/out"), wav = read("out.wav");
        const bool stream = out.size() >= 44 && out.substr(0, 16) == "RIFF\xFF\xFF\xFF\xFFWAVEfmt " && field(out, 40) == 0xFFFFFFFFU;
        const bool whole = wav.size() > 44 && field(wav, 4) == wav.size() - 8 && (field(wav, 40) + 1) / 2 * 2 == wav.size() - 44;
        EXPECT_TRUE(row.delivered == Stream || row.delivered == Prefix ? stream : out.empty()) << out.size() << " bytes reached the reader";
        EXPECT_EQ(madeFiles(), row.delivered == File ? std::set<std::string>{"out.wav"} : std::set<std::string>{});
        EXPECT_TRUE(row.delivered != File || whole) << "not a whole WAV file";
        const std::string peak = read("tmp/peak");
        EXPECT_TRUE(kSanitized || std::atoi(peak.substr(peak.rfind('\n', peak.size() - 2) + 1).c_str()) < row.megabytes * 1024) << peak;
    }
}

} // namespace
} // namespace vx
