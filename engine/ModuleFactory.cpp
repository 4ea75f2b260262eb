#include "engine/ModuleFactory.h"

#include "tembra/TembraModule.h"

namespace vx {

std::unique_ptr<SpeechModule> createModule(ModuleKind kind) {
    switch (kind) {
    case ModuleKind::Tembra:
        return std::make_unique<TembraModule>();
    default:
        return nullptr;
    }
}

} // namespace vx
