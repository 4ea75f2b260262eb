#pragma once
// The commands of vxtts. Each returns the exit code on success and throws CommandError (or
// InputError, for the text) with a one-line message on failure; output that a failed command
// had begun is discarded.

#include "cli/Options.h"

#include <stdexcept>

namespace vx::cli {

class CommandError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Speaks the text through the engine object, as a SAPI client does, into a WAV file or stream.
int say(const SayOptions& options);
// Lists the voices of the configuration on standard output.
int listVoices();
// Prints what the voice's modules would be given for the text.
int normalize(const NormalizeOptions& options);

} // namespace vx::cli
