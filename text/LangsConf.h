#pragma once

#include "config/ConfigFile.h"
#include "text/Language.h"

namespace vx {

// The reader of langs.conf: one Language per section, created by the section's first entry
// together with its dictionary file "<section>.conf" from the folder of this langs.conf.
class LangsConf : public ConfigFile<Language> {
public:
    LangsConf() : ConfigFile(u"langs.conf") {}
    ~LangsConf() override { clear(); }

    // "dictionary = FILE" loads a user dictionary from the folder of this langs.conf (several
    // such keys load several files); every other key is Language::set. Missing dictionary files
    // are no error. Always true.
    bool onEntry(const std::u16string& path, const std::u16string& section, const std::u16string& key,
                 const std::u16string& value) override;
};

} // namespace vx
