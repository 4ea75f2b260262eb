#include "engine/ModuleFactory.h"

#include "modules/EspeakModule.h"
#include "tembra/TembraModule.h"

namespace vx {

std::unique_ptr<SpeechModule> createModule(ModuleKind kind) {
    switch (kind) {
    case ModuleKind::Tembra:
        return std::make_unique<TembraModule>();
    case ModuleKind::Espeak:
        return std::make_unique<EspeakModule>();
    default:
        return nullptr;
    }
}

} // namespace vx
