#include "cli/Options.h"

#include <gtest/gtest.h>

namespace vx::cli {
namespace {

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
        {{}, "help "},
        {{"-h"}, "help "},
        {{"help", "say"}, "help say"},
        {{"say", "-o", "a.wav", "--help"}, "help say"},
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
        {{"say", "--stdout", "-5", "градусов"},
         sayError("unknown option '-5' (put -- before text that starts with -)")},
    };
    for (const auto& [arguments, expected] : rows) {
        EXPECT_EQ(parsed(arguments), expected);
    }
}

} // namespace
} // namespace vx::cli
