#include "engine/ModuleFactory.h"

#include "modules/EspeakModule.h"
#include "modules/GTranslatorModule.h"
#include "modules/MsTranslatorModule.h"
#include "modules/NewfonModule.h"
#include "modules/RhvoiceModule.h"
#include "tembra/TembraModule.h"

namespace vx {

std::unique_ptr<SpeechModule> createModule(ModuleKind kind) {
    switch (kind) {
    case ModuleKind::Tembra:
        return std::make_unique<TembraModule>();
    case ModuleKind::Espeak:
        return std::make_unique<EspeakModule>();
    case ModuleKind::Newfon:
        return std::make_unique<NewfonModule>();
    case ModuleKind::Rhvoice:
        return std::make_unique<RhvoiceModule>();
    case ModuleKind::GTranslator:
        return std::make_unique<GTranslatorModule>();
    case ModuleKind::MsTranslator:
        return std::make_unique<MsTranslatorModule>();
    default:
        return nullptr;
    }
}

} // namespace vx
