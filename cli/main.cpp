// vxtts: speaks text with the engine's voices, lists them, and shows how a text is normalized.

#include "cli/Commands.h"
#include "platform/Interrupts.h"

#include <csignal>
#include <iostream>
#include <new>
#include <vector>

namespace {

constexpr int kFailed = 1;
constexpr int kUsage = 2;

int run(const vx::cli::Invocation& invocation) {
    using Command = vx::cli::Invocation::Command;
    switch (invocation.command) {
    case Command::Say:
        return vx::cli::say(invocation.say);
    case Command::Voices:
        return vx::cli::listVoices();
    case Command::Normalize:
        return vx::cli::normalize(invocation.normalize);
    case Command::Help:
        break;
    }
    std::cout << vx::cli::usage(invocation.helpTopic);
    return 0;
}

int fail(const char* message, int code) {
    std::cerr << "vxtts: " << message << '\n';
    return code;
}

} // namespace

int main(int argc, char** argv) {
#ifdef SIGPIPE
    // A reader that closes the pipe, or a file that reaches the size limit of the process, must
    // make the write fail, so that vxtts stops the engine, removes the half-made file and says
    // so, rather than end the process silently.
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGXFSZ, SIG_IGN);
#endif
    const std::vector<std::string_view> arguments(argv + 1, argv + argc);
    try {
        return run(vx::cli::parseArguments(arguments));
    } catch (const vx::cli::UsageError& error) {
        return fail(error.what(), kUsage);
    } catch (const std::bad_alloc&) {
        return fail("out of memory", kFailed);
    } catch (const std::exception& error) {
        // Ended by a signal (while playing): the shell's code for it.
        const int signal = vx::platform::interruption();
        return fail(error.what(), signal != 0 ? 128 + signal : kFailed);
    }
}
