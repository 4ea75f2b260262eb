#pragma once
// Ctrl-C and its kin for a program that must stop what it does at once and end cleanly: once
// watched, the first SIGINT, SIGTERM or SIGHUP only notes its arrival (and interrupts the blocking
// call the program is in), and the program asks for it; a second one ends the program. One the
// program was started ignoring (nohup's SIGHUP) stays ignored. POSIX only.

namespace vx::platform {

void watchInterrupts();
// The signal that has arrived since, or 0.
int interruption();

} // namespace vx::platform
