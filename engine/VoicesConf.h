#pragma once
// The voice manager: the languages of langs.conf, the modules of engines.conf and the voices of
// voices.conf, loaded together and in that order, so that voices can refer to languages and
// modules by name.

#include "config/ConfigFile.h"
#include "engine/Voice.h"
#include "modules/EnginesConf.h"
#include "text/LangsConf.h"

namespace vx {

class VoicesConf : public ConfigFile<Voice> {
public:
    // factory makes the modules of engines.conf.
    explicit VoicesConf(ModuleFactory factory);
    ~VoicesConf() override { clear(); }

    // One entry of a voice section: a voice key, or a subvoice line "language = module". A line
    // that is neither (an unknown language or module) discards the voice read so far. Entries
    // before the first section are ignored.
    bool onEntry(const std::u16string& path, const std::u16string& section, const std::u16string& key,
                 const std::u16string& value) override;

    // Deletes the voices, then the languages and modules they refer to.
    void clear() override;

    // Reads langs.conf, engines.conf and voices.conf, each from the first folder that has it
    // (folder/data/<file>); each file only when the one before it was read. True when all three
    // were; once loaded, a later load reads nothing and returns true.
    bool load(const std::u16string& baseDirectory, const std::vector<std::u16string>& folders) override;

    LangsConf& languages() { return languages_; }
    EnginesConf& modules() { return modules_; }
    // The section name of a module, or empty when it is not one of ours.
    std::u16string moduleName(const SpeechModule* module) const;

    struct UnloadedModule {
        std::u16string name;    // its section in engines.conf
        std::u16string library; // the file it was to load: "path" joined with "module"
    };
    // The modules that failed in the voice's last call and name an engine library they do not
    // hold: a module loads its library when it first speaks, so these could not load it.
    std::vector<UnloadedModule> unloadedModules(const Voice& voice) const;

private:
    bool loaded_ = false;
    LangsConf languages_;
    EnginesConf modules_;
};

} // namespace vx
