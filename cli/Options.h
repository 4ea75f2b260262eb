#pragma once
// The command line of vxtts: which command, with which options. Parsing only reads the
// arguments; files and voices are checked by the commands.

#include <filesystem>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>

namespace vx::cli {

// The command line cannot be understood; the message says what is wrong in one line.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Where the text to speak comes from.
struct TextInput {
    enum class From { Arguments, File, StandardInput };
    From from = From::Arguments;
    std::string words;          // the text arguments joined by spaces
    std::filesystem::path file; // with -f
};

inline constexpr std::string_view kDefaultVoice = "tembra";

struct SayOptions {
    std::string voice{kDefaultVoice};
    int rate = 0;     // SAPI adjustment, -10..10
    int pitch = 0;    // SAPI adjustment, -10..10
    int volume = 100; // 0..100, SAPI's default being full volume
    bool spell = false;
    bool punctuation = false;
    bool events = false;
    bool xml = false; // the text is SAPI XML, whatever it starts with
    // Where the audio goes: standard output, the file, or else the audio device (the default one
    // when device is empty).
    bool toStandardOutput = false;
    std::filesystem::path outputFile;
    std::string device;
    TextInput input;
};

struct NormalizeOptions {
    std::string voice{kDefaultVoice};
    bool punctuation = false;
    TextInput input;
};

struct Invocation {
    enum class Command { Help, Say, Voices, Normalize };
    Command command = Command::Help;
    std::string helpTopic; // with Help: the command asked about, or empty for the overview
    SayOptions say;
    NormalizeOptions normalize;
};

// Reads the arguments after the program name. Throws UsageError for an unknown command or
// option, a missing or out-of-range value, no text or more than one text, and for say with more
// than one of -o, --stdout and --device.
Invocation parseArguments(std::span<const std::string_view> arguments);

// The usage text of a command, or of vxtts as a whole for an empty or unknown topic.
std::string usage(std::string_view topic);

} // namespace vx::cli
