#include "platform/Interrupts.h"

#include <atomic>
#include <csignal>
#include <initializer_list>

namespace vx::platform {
namespace {

// Read by the thread that plays; lock-free, so the handler may set it.
std::atomic<int> arrived = 0;
static_assert(std::atomic<int>::is_always_lock_free);

void note(int signal) {
    arrived = signal;
}

} // namespace

void watchInterrupts() {
    struct sigaction action {};
    action.sa_handler = note;
    sigemptyset(&action.sa_mask);
    // No SA_RESTART: a blocking call returns at once. SA_RESETHAND: a second signal ends the
    // program as the signal does, should the first go unseen while the engine is busy elsewhere
    // (waiting on a web service, say).
    action.sa_flags = SA_RESETHAND;
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        // A signal ignored from the start stays ignored: nohup's SIGHUP, a background job's SIGINT.
        struct sigaction before {};
        if (sigaction(signal, nullptr, &before) == 0 && before.sa_handler != SIG_IGN) {
            sigaction(signal, &action, nullptr);
        }
    }
}

int interruption() {
    return arrived;
}

} // namespace vx::platform
