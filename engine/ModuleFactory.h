#pragma once

#include "modules/EnginesConf.h"

namespace vx {

// A new module of the given kind with its defaults, or null for a kind without a module class.
std::unique_ptr<SpeechModule> createModule(ModuleKind kind);

} // namespace vx
