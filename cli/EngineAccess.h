#pragma once
// What the commands of vxtts and the Speech Dispatcher module share to reach the engine: the
// configuration, loaded as the engine object loads it, and an engine object with a voice, ready
// to speak. Failures throw CommandError with a one-line message for the user.

#include "cli/ComRef.h"
#include "cli/Commands.h"
#include "engine/VoicesConf.h"
#include "platform/ComObject.h"

#include <string>

namespace vx::cli {

// text in single quotes, as messages name files and voices.
std::string quoted(const std::string& text);

// The configuration, found and loaded exactly as the engine object loads it (the log opened
// first, so that what the reading finds wrong is in it), so that what is checked and shown is
// what the engine will use.
class Configuration {
public:
    Configuration();

    VoicesConf& voices() { return voices_; }

    // The named voice; an unknown name fails with the voices there are (and the file, when it
    // defines none or cannot be read as written), a voice without subvoices (none of its
    // languages or modules exist) with its name.
    Voice& voice(const std::string& name);

private:
    // Why the voices.conf that was read may define no voice the user meant: empty when it
    // looks as it should.
    std::string voicesFileProblem() const;

    VoicesConf voices_;
};

// An engine object with the voice's token set, as SAPI prepares one for speaking.
ComRef<ISpTTSEngine> startEngine(const std::string& voice);

// The PCM format the engine announces, which is what it speaks in.
WAVEFORMATEX outputFormat(ISpTTSEngine& engine);

} // namespace vx::cli
