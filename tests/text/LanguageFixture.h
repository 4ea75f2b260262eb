#pragma once
// Languages built from dictionary text in memory, for the text tests.

#include "config/ConfigParser.h"
#include "tests/support/RussianDictionary.h"
#include "tests/support/TempFolder.h"
#include "text/Language.h"

#include <memory>
#include <vector>

namespace vx::test {

// A language named name with the langs.conf keys given as {key, value} pairs and the dictionary
// file text (sections [Letters], [Numbers], [Symbols], [Replacements]).
inline std::unique_ptr<Language> makeLanguage(std::u16string_view dictionary,
                                              const std::vector<std::pair<std::u16string, std::u16string>>& keys = {},
                                              std::u16string name = u"ru") {
    auto language = std::make_unique<Language>(std::move(name));
    for (const auto& [key, value] : keys) {
        language->set(key, value);
    }
    const std::string bytes = utf16le(dictionary);
    ConfigParser::loadBytes(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), u"ru.conf",
                            *language);
    return language;
}

} // namespace vx::test
