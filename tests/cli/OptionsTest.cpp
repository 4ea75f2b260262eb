#include "cli/Options.h"

#include <gtest/gtest.h>
#include <sstream>
#include <vector>

namespace vx::cli {
namespace {

std::string describe(const TextInput& input) {
    switch (input.from) {
    case TextInput::From::File:
        return "file:" + input.file.string();
    case TextInput::From::StandardInput:
        return "stdin";
    case TextInput::From::Arguments:
        break;
    }
    return "words:" + input.words;
}

// The parsed command line in one line, or "error: " and the message.
std::string parsed(std::vector<std::string_view> arguments) {
    try {
        const Invocation invocation = parseArguments(arguments);
        std::ostringstream out;
        switch (invocation.command) {
        case Invocation::Command::Help:
            out << "help " << invocation.helpTopic;
            break;
        case Invocation::Command::Voices:
            out << "voices";
            break;
        case Invocation::Command::Say: {
            const SayOptions& say = invocation.say;
            out << "say " << say.voice << " r" << say.rate << " p" << say.pitch << " a"
                << say.volume << (say.spell ? " spell" : "") << (say.punctuation ? " punct" : "")
                << (say.events ? " events" : "")
                << (say.toStandardOutput ? " stdout" : " o=" + say.outputFile.string()) << ' '
                << describe(say.input);
            break;
        }
        case Invocation::Command::Normalize:
            out << "normalize " << invocation.normalize.voice
                << (invocation.normalize.punctuation ? " punct" : "") << ' '
                << describe(invocation.normalize.input);
            break;
        }
        return out.str();
    } catch (const UsageError& error) {
        return std::string("error: ") + error.what();
    }
}

struct OptionCase {
    std::vector<std::string_view> arguments;
    std::string expected;
};

class CommandLines : public testing::TestWithParam<OptionCase> {};

TEST_P(CommandLines, AreRead) {
    EXPECT_EQ(parsed(GetParam().arguments), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Help, CommandLines,
                         testing::Values(OptionCase{{}, "help "}, OptionCase{{"--help"}, "help "},
                                         OptionCase{{"-h"}, "help "},
                                         OptionCase{{"help", "say"}, "help say"},
                                         OptionCase{{"say", "-o", "a.wav", "--help"}, "help say"},
                                         OptionCase{{"say", "-o", "a.wav", "--", "--help"},
                                                    "say tembra r0 p0 a100 o=a.wav words:--help"}));

INSTANTIATE_TEST_SUITE_P(
    Say, CommandLines,
    testing::Values(OptionCase{{"say", "-o", "a.wav", "Привет,", "мир"},
                               "say tembra r0 p0 a100 o=a.wav words:Привет, мир"},
                    OptionCase{{"say", "Да", "--stdout"}, "say tembra r0 p0 a100 stdout words:Да"},
                    OptionCase{{"say", "-v", "tembra_uk", "-r", "-10", "-p", "+10", "-a", "0",
                                "--spell", "--punct", "--events", "-o", "b.wav", "-f", "t.txt"},
                               "say tembra_uk r-10 p10 a0 spell punct events o=b.wav file:t.txt"},
                    OptionCase{{"say", "--voice=x", "--rate=3", "--pitch", "-2", "--volume=55",
                                "--output=c.wav", "-"},
                               "say x r3 p-2 a55 o=c.wav stdin"},
                    OptionCase{{"say", "--stdout", "--", "-5", "градусов"},
                               "say tembra r0 p0 a100 stdout words:-5 градусов"}));

INSTANTIATE_TEST_SUITE_P(
    Others, CommandLines,
    testing::Values(OptionCase{{"voices"}, "voices"},
                    OptionCase{{"normalize", "21 000 руб."}, "normalize tembra words:21 000 руб."},
                    OptionCase{{"normalize", "--punct", "-v", "tembra_uk", "-f", "x"},
                               "normalize tembra_uk punct file:x"}));

INSTANTIATE_TEST_SUITE_P(
    Errors, CommandLines,
    testing::Values(
        OptionCase{{"speak"}, "error: unknown command 'speak' (see 'vxtts --help')"},
        OptionCase{{"voices", "x"},
                   "error: voices: takes no arguments (see 'vxtts voices --help')"},
        OptionCase{{"say", "Да"},
                   "error: say: say where the audio goes: -o FILE.wav or --stdout (see 'vxtts say "
                   "--help')"},
        OptionCase{
            {"say", "--stdout", "-o", "a.wav", "Да"},
            "error: say: give one of -o FILE.wav and --stdout, once (see 'vxtts say --help')"},
        OptionCase{{"say", "--stdout"},
                   "error: say: no text: give TEXT, -f FILE or - for standard input (see 'vxtts "
                   "say --help')"},
        OptionCase{{"say", "--stdout", "Да", "-"},
                   "error: say: more than one text: give TEXT, -f FILE or - for standard input, "
                   "only one of them (see 'vxtts say --help')"},
        OptionCase{{"say", "--stdout", "-r", "11", "Да"},
                   "error: say: -r takes a whole number from -10 to 10, not '11' (see 'vxtts say "
                   "--help')"},
        OptionCase{{"say", "--stdout", "--pitch=1.5", "Да"},
                   "error: say: --pitch takes a whole number from -10 to 10, not '1.5' (see 'vxtts "
                   "say --help')"},
        OptionCase{
            {"say", "--stdout", "-a", "", "Да"},
            "error: say: -a takes a whole number from 0 to 100, not '' (see 'vxtts say --help')"},
        OptionCase{{"say", "--stdout", "Да", "-v"},
                   "error: say: -v needs a value (see 'vxtts say --help')"},
        OptionCase{{"say", "-o", "", "Да"},
                   "error: say: -o needs a file name (see 'vxtts say --help')"},
        OptionCase{{"say", "--stdout", "-5", "градусов"},
                   "error: say: unknown option '-5' (put -- before text that starts with -) (see "
                   "'vxtts say --help')"},
        OptionCase{{"normalize", "--spell", "Да"},
                   "error: normalize: unknown option '--spell' (put -- before text that starts "
                   "with -) (see 'vxtts normalize --help')"}));

TEST(Usage, NamesEveryOptionOfItsCommand) {
    for (const char* option :
         {"-v", "-r", "-p", "-a", "--spell", "--punct", "--events", "-o", "--stdout", "-f"}) {
        EXPECT_NE(usage("say").find(option), std::string::npos) << option;
    }
    for (const char* command : {"say", "voices", "normalize"}) {
        EXPECT_NE(usage("").find(command), std::string::npos) << command;
        EXPECT_EQ(usage(command).rfind(std::string("usage: vxtts ") + command, 0), 0U) << command;
    }
}

} // namespace
} // namespace vx::cli
