#pragma once
// A replacement dictionary: keys and the text that replaces them, applied in ascending key
// order (UTF-16 code units). Both the "Replacements" section of a language's dictionary and the
// user dictionaries are of this kind.

#include "platform/Lock.h"

#include <map>
#include <memory>
#include <string>
#include <string_view>

namespace vx {

class KeyMatcher;

class ReplacementDictionary {
public:
    ReplacementDictionary();
    ~ReplacementDictionary();
    ReplacementDictionary(const ReplacementDictionary&) = delete;
    ReplacementDictionary& operator=(const ReplacementDictionary&) = delete;

    // Stores an entry from a dictionary line. The value may carry a flag after a colon, which is
    // dropped: "и т.д.:1" replaces with "и т.д."; the part before the colon is trimmed and
    // unescaped like a key ("\u0020x\u0020:0" gives " x "), and ":x" gives the empty
    // replacement. A value without a colon, or with nothing after it, is the replacement as it
    // stands. An empty key is ignored; a known key gets the new replacement.
    void set(const std::u16string& key, std::u16string_view value);

    // The replacement stored for key, or null.
    const std::u16string* find(const std::u16string& key) const;

    bool empty() const { return entries_.empty(); }
    std::size_t size() const { return entries_.size(); }

    // For each entry in ascending key order, every occurrence of its key (case-sensitive, inside
    // words too) is replaced from left to right; the search goes on after the inserted text, so
    // an entry never rescans its own output, but later entries see it. Safe to call from several
    // threads at once.
    std::u16string apply(std::u16string_view text) const;

private:
    struct Index;
    std::shared_ptr<const Index> index() const;

    std::map<std::u16string, std::u16string> entries_;
    mutable platform::Lock indexLock_;
    mutable std::shared_ptr<const Index> index_; // built on first use after a change
};

} // namespace vx
