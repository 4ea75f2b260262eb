#include "text/ReplacementDictionary.h"

#include "config/ConfigParser.h"
#include "text/KeyMatcher.h"

#include <algorithm>
#include <functional>
#include <mutex>
#include <queue>
#include <vector>

namespace vx {

// The entries in key order with a matcher over their keys. Applying the entries one by one, as
// the order demands, would search the text once per entry; instead the text is scanned once for
// every key that occurs in it, and each replacement rescans only the stretch it changed (with
// enough context on both sides to catch a key that straddles an edge). Only entries found that
// way can match, and they are applied with the plain algorithm, so the result is the same.
struct ReplacementDictionary::Index {
    std::vector<std::u16string_view> keys;
    std::vector<std::u16string_view> replacements;
    std::size_t longestKey = 0;
    KeyMatcher matcher;

    explicit Index(const std::map<std::u16string, std::u16string>& entries)
        : keys(keysOf(entries)), matcher(keys) {
        for (const auto& [key, replacement] : entries) {
            replacements.push_back(replacement);
            longestKey = std::max(longestKey, key.size());
        }
    }

    static std::vector<std::u16string_view> keysOf(const std::map<std::u16string, std::u16string>& entries) {
        std::vector<std::u16string_view> keys;
        keys.reserve(entries.size());
        for (const auto& entry : entries) {
            keys.push_back(entry.first);
        }
        return keys;
    }
};

namespace {

using Candidates = std::priority_queue<std::size_t, std::vector<std::size_t>, std::greater<>>;

} // namespace

ReplacementDictionary::ReplacementDictionary() = default;
ReplacementDictionary::~ReplacementDictionary() = default;

void ReplacementDictionary::set(const std::u16string& key, std::u16string_view value) {
    if (key.empty()) {
        return;
    }
    std::u16string replacement;
    std::u16string flag;
    if (!ConfigParser::parseEntry(value, replacement, flag, u":")) {
        replacement = std::u16string(value);
    }
    entries_[key] = std::move(replacement);
    std::lock_guard guard(indexLock_);
    index_.reset();
}

const std::u16string* ReplacementDictionary::find(const std::u16string& key) const {
    const auto at = entries_.find(key);
    return at == entries_.end() ? nullptr : &at->second;
}

std::shared_ptr<const ReplacementDictionary::Index> ReplacementDictionary::index() const {
    std::lock_guard guard(indexLock_);
    if (!index_) {
        index_ = std::make_shared<const Index>(entries_);
    }
    return index_;
}

std::u16string ReplacementDictionary::apply(std::u16string_view input, const std::function<bool()>& stopRequested,
                                           Cut* cut) const {
    std::u16string text(input);
    if (text.empty() || entries_.empty()) {
        return text;
    }
    const std::size_t limit = std::max(kGrowth * text.size(), kMinLimit);
    const std::shared_ptr<const Index> index = this->index();
    Candidates candidates;
    index->matcher.scan(text, [&](std::size_t entry) { candidates.push(entry); });

    const std::size_t context = index->longestKey - 1;
    std::size_t done = 0; // entries below this have been applied
    std::u16string next;
    std::vector<std::size_t> inserted; // where the entry's replacements start in next
    while (!candidates.empty()) {
        const std::size_t entry = candidates.top();
        candidates.pop();
        if (entry < done) {
            continue;
        }
        if (stopRequested && stopRequested()) {
            if (cut) {
                cut->why = Cut::Why::Stop;
            }
            return text;
        }
        done = entry + 1;
        const std::u16string_view key = index->keys[entry];
        const std::u16string_view replacement = index->replacements[entry];
        if (!replaceAll(text, key, replacement, limit, next, inserted)) {
            if (cut) {
                *cut = {Cut::Why::Growth, std::u16string(key), limit};
            }
            return text;
        }
        text.swap(next);
        // Later entries can only match where the text changed.
        for (const std::size_t at : inserted) {
            const std::size_t from = at > context ? at - context : 0;
            const std::size_t to = std::min(text.size(), at + replacement.size() + context);
            index->matcher.scan(std::u16string_view(text).substr(from, to - from), [&](std::size_t later) {
                if (later > entry) {
                    candidates.push(later);
                }
            });
        }
    }
    return text;
}

bool ReplacementDictionary::replaceAll(std::u16string_view text, std::u16string_view key, std::u16string_view replacement,
                                       std::size_t limit, std::u16string& out, std::vector<std::size_t>& inserted) {
    out.clear();
    inserted.clear();
    std::size_t pos = 0;
    for (std::size_t at = text.find(key); at != std::u16string_view::npos; at = text.find(key, pos)) {
        if (out.size() + (at - pos) + replacement.size() + (text.size() - at - key.size()) > limit) {
            return false;
        }
        out.append(text.substr(pos, at - pos));
        inserted.push_back(out.size());
        out.append(replacement);
        pos = at + key.size();
    }
    out.append(text.substr(pos));
    return true;
}

} // namespace vx
