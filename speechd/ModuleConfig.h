#pragma once
// The configuration file that Speech Dispatcher names when it starts the module (vxtts.conf in
// its modules folder): lines "Name value" (the value may be in double quotes), '#' comments.

#include <chrono>
#include <string>
#include <vector>

namespace vx::speechd {

struct ModuleConfig {
    // The voice that speaks when the server asks for no voice and a language no voice has; empty:
    // the first voice of voices.conf.
    std::string defaultVoice;
    // How much audio may be on its way to the server: what it has not played when a message is
    // stopped is heard after the stop, and too little makes the audio stutter when a voice is
    // slow to start a sentence.
    std::chrono::milliseconds audioLead{50};
    // What in the file could not be taken, one line each.
    std::vector<std::string> problems;
};

// The configuration in the file; a file that cannot be read gives the defaults and says so.
ModuleConfig readModuleConfig(const std::string& path);

} // namespace vx::speechd
