#include "platform/Interrupts.h"

#include <csignal>
#include <initializer_list>

namespace vx::platform {
namespace {

volatile std::sig_atomic_t arrived = 0;

void note(int signal) {
    arrived = signal;
}

} // namespace

void watchInterrupts() {
    struct sigaction action {};
    action.sa_handler = note;
    sigemptyset(&action.sa_mask);
    // No SA_RESTART: a write waiting for the audio device returns at once.
    action.sa_flags = 0;
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        sigaction(signal, &action, nullptr);
    }
}

int interruption() {
    return arrived;
}

} // namespace vx::platform
