#include "engine/VoicesConf.h"

#include "platform/Files.h"
#include "platform/Log.h"

#include <new>

namespace vx {

VoicesConf::VoicesConf(ModuleFactory factory) : ConfigFile(u"voices.conf"), modules_(factory) {}

bool VoicesConf::onEntry(const std::u16string& path, const std::u16string& section, const std::u16string& key,
                         const std::u16string& value) {
    Voice* voice = get(section);
    if (!voice && !section.empty()) {
        voice = insert(section, std::make_unique<Voice>(section));
    }
    if (!voice) {
        return false;
    }
    if (voice->SetKey(key, value) || voice->AddSubvoice(languages_.get(key), modules_.get(value))) {
        return true;
    }
    // The error that names no voice, or a voice without subvoices, sends the user here. The
    // section's later lines make the voice anew.
    Log::Write(u"* %s: [%s] %s = %s is no voice key, nor a language of langs.conf with a module of engines.conf: the "
               u"voice's lines up to it are dropped",
               path, section, key, value);
    remove(section);
    return false;
}

void VoicesConf::clear() {
    ConfigFile::clear();
    languages_.clear();
    modules_.clear();
    loaded_ = false;
}

bool VoicesConf::load(const std::u16string& baseDirectory, const std::vector<std::u16string>& folders) {
    if (loaded_) {
        return true;
    }
    loaded_ = languages_.load(baseDirectory, folders) && modules_.load(baseDirectory, folders) &&
              ConfigFile::load(baseDirectory, folders);
    return loaded_;
}

std::u16string VoicesConf::moduleName(const SpeechModule* module) const {
    for (const auto& [name, item] : modules_.items()) {
        if (item.get() == module) {
            return name;
        }
    }
    return {};
}

std::vector<VoicesConf::UnloadedModule> VoicesConf::unloadedModules(const Voice& voice) const {
    std::vector<UnloadedModule> unloaded;
    for (const SpeechModule* module : voice.failedModules()) {
        const ModuleSettings& settings = module->settings();
        if (!settings.module.empty() && !module->isLoaded()) {
            unloaded.push_back({moduleName(module), platform::joinPath(settings.path, settings.module)});
        }
    }
    return unloaded;
}

} // namespace vx
