#pragma once
// Standard input and output as raw bytes, for the programs that speak a protocol over them (the
// Speech Dispatcher module): no buffering, no translation. POSIX only.

#include <cstddef>
#include <string_view>

namespace vx::platform {

// Reads what standard input has, up to size bytes, waiting for at least one. 0 at its end or on
// a read error.
std::size_t readStandardInput(char* buffer, std::size_t size);

// Writes all of bytes to standard output. False when it cannot (the reader has gone; the program
// ignores SIGPIPE, so that this fails rather than ending it).
bool writeStandardOutput(std::string_view bytes);

// Makes the pipe of standard output hold as little as the system allows, so that what is written
// waits there as briefly as possible (audio in it is heard late, and after a stop). Nothing when
// standard output is no pipe.
void shrinkStandardOutputPipe();

} // namespace vx::platform
