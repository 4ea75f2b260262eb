#pragma once
// The reader of engines.conf: one speech module per section. The section's name up to its first
// "_" is the module's kind ("espeak_slow" is an eSpeak module named "espeak_slow").

#include "config/ConfigFile.h"
#include "modules/SpeechModule.h"

#include <memory>
#include <string_view>

namespace vx {

enum class ModuleKind { None = 0, Tembra = 1, Espeak = 2, Eloq = 3, Newfon = 4, Rhvoice = 5, MsTranslator = 6, GTranslator = 7 };

// The kind of a kind name (exact, case-sensitive); None when it is not known.
ModuleKind moduleKindOf(std::u16string_view kindName);

// Makes a new module of a kind, or null for a kind that has no module class. The engine supplies
// it, since it is the layer that knows every module class.
using ModuleFactory = std::unique_ptr<SpeechModule> (*)(ModuleKind kind);

class EnginesConf : public ConfigFile<SpeechModule> {
public:
    explicit EnginesConf(ModuleFactory factory) : ConfigFile(u"engines.conf"), factory_(factory) {}
    ~EnginesConf() override { clear(); }

    // Gives the entry to the module of its section, creating the module on the section's first
    // entry, with the folder of path as its data folder. Sections of an unknown kind are ignored.
    // Always true.
    bool onEntry(const std::u16string& path, const std::u16string& section, const std::u16string& key,
                 const std::u16string& value) override;

    // Makes the module for a section, gives it the default "path" (the "modules" folder beside
    // the program) and stores it under the section's name. Null when the kind has no module.
    SpeechModule* CreateModule(const std::u16string& section);

private:
    ModuleFactory factory_;
};

} // namespace vx
