#pragma once
// A replacement dictionary: keys and the text that replaces them, applied in ascending key
// order (UTF-16 code units). Both the "Replacements" section of a language's dictionary and the
// user dictionaries are of this kind.

#include "platform/Lock.h"

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

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

    // Why apply left entries unapplied.
    struct Cut {
        enum class Why { None, Growth, Stop };
        Why why = Why::None;
        std::u16string key;    // Growth: the entry that would have made the text too long,
        std::size_t limit = 0; // longer than this
    };

    // How long the text may grow through the entries: kGrowth times its length, or kMinLimit
    // units when that is more. Chains of entries (a = bb, b = cc, ...) would otherwise grow it
    // without end.
    static constexpr std::size_t kGrowth = 64;
    static constexpr std::size_t kMinLimit = 64 * 1024;

    // For each entry in ascending key order, every occurrence of its key (case-sensitive, inside
    // words too) is replaced from left to right; the search goes on after the inserted text, so
    // an entry never rescans its own output, but later entries see it. Each entry's pass builds
    // the text anew in one go. An entry that would make the text longer than the limit is not
    // applied, nor are the entries after it; stopRequested, asked between entries, ends the
    // application where it is. cut, when given, says which of the two happened. Safe to call
    // from several threads at once.
    std::u16string apply(std::u16string_view text, const std::function<bool()>& stopRequested = {},
                         Cut* cut = nullptr) const;

private:
    struct Index;
    // Writes text with every occurrence of key replaced, left to right, into out, and where each
    // replacement starts into inserted; false, as soon as it is clear, when out would be longer
    // than limit.
    static bool replaceAll(std::u16string_view text, std::u16string_view key, std::u16string_view replacement,
                           std::size_t limit, std::u16string& out, std::vector<std::size_t>& inserted);
    std::shared_ptr<const Index> index() const;

    std::map<std::u16string, std::u16string> entries_;
    mutable platform::Lock indexLock_;
    mutable std::shared_ptr<const Index> index_; // built on first use after a change
};

} // namespace vx
