#include "cli/Options.h"

#include <charconv>
#include <vector>

namespace vx::cli {
namespace {

constexpr std::string_view kOverview = R"(usage: vxtts COMMAND [OPTIONS]

commands:
  say        speak text aloud, or to a WAV file or standard output
  voices     list the voices and their languages and modules
  normalize  show what a voice's modules would be given to say

"vxtts COMMAND --help" tells more about a command.
)";

constexpr std::string_view kSay =
    R"(usage: vxtts say [OPTIONS] [-o FILE.wav | --stdout | --device NAME] [TEXT... | -f FILE | -]

Speaks UTF-8 text aloud on the default audio device (Ctrl-C stops it at once), or to a WAV file or
stream: the TEXT arguments joined by spaces, the file FILE, or standard input (-).
Long texts are read and spoken a piece at a time. A file or standard input whose text starts
with '<' (after white space) is SAPI XML, as with --xml.

  -v, --voice VOICE    the voice (default tembra; "vxtts voices" lists them)
  -r, --rate N         speaking rate, -10 (slowest) to 10 (fastest); 0 is normal
  -p, --pitch N        pitch, -10 to 10; 0 is normal
  -a, --volume N       volume, 0 to 100 (default 100)
      --spell          spell the text character by character
      --punct          speak the punctuation too
      --xml            the text is SAPI 5 XML: <rate speed="N"> (or absspeed), <pitch middle="N">
                       (or absmiddle), <volume level="N">, <emph>, <spell>, <pron sym="...">,
                       <silence msec="N"/>, <bookmark mark="..."/>, self-closing or enclosing;
                       -r, -p and -a are its base. XML is read whole into memory and spoken in
                       one piece, not a piece at a time
      --events         write each sentence start, word and bookmark as a JSON line on standard
                       error: {"event":"sentence","offset":O,"length":L,"position":P} (words:
                       "event":"word"), where O and L count UTF-16 units of the text and P bytes
                       of audio data
  -o, --output FILE    write a WAV file; it appears under its name only once it is complete
      --stdout         write a WAV stream to standard output as the audio comes
      --device NAME    play on the ALSA device NAME (as "aplay -L" lists them) instead of the
                       default one
  -f, --file FILE      read the text from FILE
  -                    read the text from standard input
  --                   what follows is text, even when it starts with -
)";

constexpr std::string_view kVoices = R"(usage: vxtts voices

Lists the voices of voices.conf, one a line: the name, then each subvoice as language=module.
)";

constexpr std::string_view kNormalize = R"(usage: vxtts normalize [OPTIONS] [TEXT... | -f FILE | -]

Runs the text through a voice's text pipeline, as "vxtts say" would, and prints what each module
call would be given: the module's section of engines.conf, a tab and the text, one call a line.
Each sentence start is a line "# sentence length=L offset=O" (UTF-16 units of the input).

  -v, --voice VOICE    the voice (default tembra)
      --punct          with the punctuation spoken, as "vxtts say --punct"
  -f, --file FILE      read the text from FILE
  -                    read the text from standard input
  --                   what follows is text, even when it starts with -
)";

// The arguments of one command, taken from the front.
class ArgumentList {
public:
    ArgumentList(std::span<const std::string_view> arguments, std::string_view command)
        : arguments_(arguments)
        , command_(command) {}

    bool done() const { return next_ >= arguments_.size(); }
    std::string_view take() { return arguments_[next_++]; }

    // The value of option: the part after "=" of "--name=value", else the next argument.
    std::string_view value(std::string_view option, std::string_view inlineValue, bool hasInline) {
        if (hasInline) {
            return inlineValue;
        }
        if (done()) {
            throw error(std::string(option) + " needs a value");
        }
        return take();
    }

    UsageError error(const std::string& what) const {
        return UsageError(std::string(command_) + ": " + what + " (see 'vxtts " +
                          std::string(command_) + " --help')");
    }

private:
    std::span<const std::string_view> arguments_;
    std::size_t next_ = 0;
    std::string_view command_;
};

int numberIn(const ArgumentList& list, std::string_view option, std::string_view text, int low,
             int high) {
    std::string_view digits = text;
    if (digits.starts_with('+')) {
        digits.remove_prefix(1);
    }
    int value = 0;
    const auto [end, failure] =
        std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (digits.empty() || failure != std::errc{} || end != digits.data() + digits.size() ||
        value < low || value > high) {
        throw list.error(std::string(option) + " takes a whole number from " + std::to_string(low) +
                         " to " + std::to_string(high) + ", not '" + std::string(text) + "'");
    }
    return value;
}

// Collects where the text comes from; exactly one source is allowed.
class TextSources {
public:
    void addWord(std::string_view word) { words_.emplace_back(word); }
    void addFile(std::string_view file) { files_.emplace_back(file); }
    void addStandardInput() { ++standardInput_; }

    TextInput input(const ArgumentList& list) const {
        const std::size_t sources = (words_.empty() ? 0 : 1) + files_.size() + standardInput_;
        if (sources == 0) {
            throw list.error("no text: give TEXT, -f FILE or - for standard input");
        }
        if (sources > 1) {
            throw list.error(
                "more than one text: give TEXT, -f FILE or - for standard input, only one of them");
        }
        TextInput input;
        if (!files_.empty()) {
            input.from = TextInput::From::File;
            input.file = files_.front();
        } else if (standardInput_ > 0) {
            input.from = TextInput::From::StandardInput;
        } else {
            for (const std::string& word : words_) {
                input.words += input.words.empty() ? word : " " + word;
            }
        }
        return input;
    }

private:
    std::vector<std::string> words_;
    std::vector<std::string> files_;
    std::size_t standardInput_ = 0;
};

// One option as given: its name and, for "--name=value", the value.
struct OptionWord {
    std::string_view name;
    std::string_view inlineValue;
    bool hasInline = false;
};

OptionWord splitOption(std::string_view argument) {
    const std::size_t equals = argument.find('=');
    if (argument.starts_with("--") && equals != std::string_view::npos) {
        return {argument.substr(0, equals), argument.substr(equals + 1), true};
    }
    return {argument, {}, false};
}

bool named(const OptionWord& option, std::string_view shortName, std::string_view longName) {
    return option.name == shortName || option.name == longName;
}

bool asksForHelp(std::span<const std::string_view> arguments) {
    for (const std::string_view argument : arguments) {
        if (argument == "--") {
            return false;
        }
        if (argument == "-h" || argument == "--help") {
            return true;
        }
    }
    return false;
}

// Reads the arguments of a command that takes text. handle gets every option that is not a
// text option and returns false when it does not know it.
template <class Handle> TextInput readTextArguments(ArgumentList& list, Handle handle) {
    TextSources sources;
    bool textOnly = false;
    while (!list.done()) {
        const std::string_view argument = list.take();
        if (textOnly || argument.size() < 2 || !argument.starts_with('-')) {
            if (argument == "-" && !textOnly) {
                sources.addStandardInput();
            } else {
                sources.addWord(argument);
            }
            continue;
        }
        if (argument == "--") {
            textOnly = true;
            continue;
        }
        const OptionWord option = splitOption(argument);
        if (named(option, "-f", "--file")) {
            sources.addFile(list.value(option.name, option.inlineValue, option.hasInline));
        } else if (!handle(option)) {
            throw list.error("unknown option '" + std::string(argument) +
                             "' (put -- before text that starts with -)");
        }
    }
    return sources.input(list);
}

SayOptions parseSay(ArgumentList& list) {
    SayOptions say;
    std::size_t outputs = 0;
    say.input = readTextArguments(list, [&](const OptionWord& option) {
        const auto value = [&] {
            return list.value(option.name, option.inlineValue, option.hasInline);
        };
        if (named(option, "-v", "--voice")) {
            say.voice = value();
        } else if (named(option, "-r", "--rate")) {
            say.rate = numberIn(list, option.name, value(), -10, 10);
        } else if (named(option, "-p", "--pitch")) {
            say.pitch = numberIn(list, option.name, value(), -10, 10);
        } else if (named(option, "-a", "--volume")) {
            say.volume = numberIn(list, option.name, value(), 0, 100);
        } else if (option.name == "--spell") {
            say.spell = true;
        } else if (option.name == "--punct") {
            say.punctuation = true;
        } else if (option.name == "--events") {
            say.events = true;
        } else if (option.name == "--xml") {
            say.xml = true;
        } else if (named(option, "-o", "--output")) {
            say.outputFile = value();
            ++outputs;
        } else if (option.name == "--stdout") {
            say.toStandardOutput = true;
            ++outputs;
        } else if (option.name == "--device") {
            say.device = value();
            ++outputs;
        } else {
            return false;
        }
        return true;
    });
    if (outputs > 1) {
        throw list.error("give one of -o FILE.wav, --stdout and --device NAME, once");
    }
    if (outputs == 1 && !say.toStandardOutput && say.outputFile.empty() && say.device.empty()) {
        throw list.error("-o and --device need a name");
    }
    return say;
}

NormalizeOptions parseNormalize(ArgumentList& list) {
    NormalizeOptions normalize;
    normalize.input = readTextArguments(list, [&](const OptionWord& option) {
        if (named(option, "-v", "--voice")) {
            normalize.voice = list.value(option.name, option.inlineValue, option.hasInline);
        } else if (option.name == "--punct") {
            normalize.punctuation = true;
        } else {
            return false;
        }
        return true;
    });
    return normalize;
}

} // namespace

Invocation parseArguments(std::span<const std::string_view> arguments) {
    Invocation invocation;
    if (arguments.empty() || arguments.front() == "-h" || arguments.front() == "--help") {
        return invocation;
    }
    const std::string_view command = arguments.front();
    const std::span<const std::string_view> rest = arguments.subspan(1);
    if (command == "help") {
        invocation.helpTopic = rest.empty() ? "" : std::string(rest.front());
        return invocation;
    }
    if (command != "say" && command != "voices" && command != "normalize") {
        throw UsageError("unknown command '" + std::string(command) + "' (see 'vxtts --help')");
    }
    if (asksForHelp(rest)) {
        invocation.helpTopic = command;
        return invocation;
    }
    ArgumentList list(rest, command);
    if (command == "say") {
        invocation.command = Invocation::Command::Say;
        invocation.say = parseSay(list);
    } else if (command == "normalize") {
        invocation.command = Invocation::Command::Normalize;
        invocation.normalize = parseNormalize(list);
    } else {
        invocation.command = Invocation::Command::Voices;
        if (!list.done()) {
            throw list.error("takes no arguments");
        }
    }
    return invocation;
}

std::string usage(std::string_view topic) {
    if (topic == "say") {
        return std::string(kSay);
    }
    if (topic == "voices") {
        return std::string(kVoices);
    }
    if (topic == "normalize") {
        return std::string(kNormalize);
    }
    return std::string(kOverview);
}

} // namespace vx::cli
