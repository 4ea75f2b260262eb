#pragma once
// Ctrl-C and its kin for a program that must stop what it does at once and end cleanly: once
// watched, SIGINT, SIGTERM and SIGHUP only note their arrival (and interrupt the blocking call
// the program is in), and the program asks for them. POSIX only.

namespace vx::platform {

void watchInterrupts();
// The signal that has arrived since, or 0.
int interruption();

} // namespace vx::platform
