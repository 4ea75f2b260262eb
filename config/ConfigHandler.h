#pragma once

#include <string>

namespace vx {

// Receives the entries of a configuration or dictionary file, one call per accepted line, in
// file order.
class ConfigHandler {
public:
    virtual ~ConfigHandler() = default;

    // path: the file as the caller named it; section: the current section ("" before the first
    // header). The parser ignores the result.
    virtual bool onEntry(const std::u16string& path, const std::u16string& section,
                         const std::u16string& key, const std::u16string& value) = 0;
};

} // namespace vx
