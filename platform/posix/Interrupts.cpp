#include "platform/Interrupts.h"

#include <atomic>
#include <csignal>
#include <iterator>

namespace vx::platform {
namespace {

// Read by the thread that plays; lock-free, so the handler may set it.
std::atomic<int> arrived = 0;
static_assert(std::atomic<int>::is_always_lock_free);

constexpr int kWatched[] = {SIGINT, SIGTERM, SIGHUP};
// Which of them this program handles (a signal ignored from the start is left alone).
volatile std::sig_atomic_t handled[std::size(kWatched)] = {};

// Notes the first signal; any handled one after it ends the program as the signal does.
void note(int signal) {
    arrived = signal;
    struct sigaction standard {};
    standard.sa_handler = SIG_DFL;
    for (std::size_t i = 0; i < std::size(kWatched); ++i) {
        if (handled[i]) {
            sigaction(kWatched[i], &standard, nullptr);
        }
    }
}

} // namespace

void watchInterrupts() {
    struct sigaction action {};
    action.sa_handler = note;
    sigemptyset(&action.sa_mask);
    // No SA_RESTART: a blocking call returns at once. The handler gives every watched signal
    // back its standard action, so that a second one ends the program should the first go unseen
    // while the engine is busy elsewhere (waiting on a web service, say).
    action.sa_flags = 0;
    for (std::size_t i = 0; i < std::size(kWatched); ++i) {
        // A signal ignored from the start stays ignored: nohup's SIGHUP, a background job's SIGINT.
        struct sigaction before {};
        if (sigaction(kWatched[i], nullptr, &before) == 0 && before.sa_handler != SIG_IGN) {
            handled[i] = 1;
            sigaction(kWatched[i], &action, nullptr);
        }
    }
}

int interruption() {
    return arrived;
}

} // namespace vx::platform
