#include "text/LangsConf.h"

#include "platform/Files.h"

namespace vx {

bool LangsConf::onEntry(const std::u16string& path, const std::u16string& section, const std::u16string& key,
                        const std::u16string& value) {
    const std::u16string folder = platform::parentFolder(path);
    Language* language = get(section);
    if (!language) {
        language = insert(section, std::make_unique<Language>(section));
        language->loadDictionary(platform::joinPath(folder, section + u".conf"));
    }
    if (key == u"dictionary") {
        language->loadUserDictionary(platform::joinPath(folder, value));
    } else {
        language->set(key, value);
    }
    return true;
}

} // namespace vx
