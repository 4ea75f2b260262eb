#include "modules/EnginesConf.h"

#include "platform/Files.h"

#include <array>
#include <new>
#include <utility>

namespace vx {

ModuleKind moduleKindOf(std::u16string_view kindName) {
    static constexpr std::array<std::pair<std::u16string_view, ModuleKind>, 8> kKinds{{
        {u"tembra", ModuleKind::Tembra},
        {u"rhvoice", ModuleKind::Rhvoice},
        {u"espeak", ModuleKind::Espeak},
        {u"eloq", ModuleKind::Eloq},
        {u"newfon", ModuleKind::Newfon},
        {u"novofon", ModuleKind::Newfon},
        {u"mstranslator", ModuleKind::MsTranslator},
        {u"gtranslator", ModuleKind::GTranslator},
    }};
    for (const auto& [name, kind] : kKinds) {
        if (name == kindName) {
            return kind;
        }
    }
    return ModuleKind::None;
}

bool EnginesConf::onEntry(const std::u16string& path, const std::u16string& section, const std::u16string& key,
                          const std::u16string& value) {
    SpeechModule* module = get(section);
    if (!module) {
        module = CreateModule(section);
        if (module) {
            module->SetDataFolder(platform::parentFolder(path));
        }
    }
    if (module) {
        module->ReadSetting(key, value);
    }
    return true;
}

SpeechModule* EnginesConf::CreateModule(const std::u16string& section) {
    const std::u16string_view kindName = std::u16string_view(section).substr(0, section.find(u'_'));
    const ModuleKind kind = moduleKindOf(kindName);
    if (kind == ModuleKind::None || kind == ModuleKind::Eloq || !factory_) {
        return nullptr;
    }
    std::unique_ptr<SpeechModule> module;
    try {
        module = factory_(kind);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    if (!module) {
        return nullptr;
    }
    module->ReadSetting(u"path", platform::joinPath(baseDirectory(), u"modules"));
    return insert(section, std::move(module));
}

} // namespace vx
