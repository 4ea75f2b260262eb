#pragma once
// Finds, in one pass over a text, every place where any of a fixed set of keys occurs
// (Aho-Corasick). Replacement dictionaries use it to visit only the entries whose keys can occur,
// instead of searching the text once per entry.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vx {

class KeyMatcher {
public:
    // keys[i] is reported as i. Empty keys are never reported.
    explicit KeyMatcher(const std::vector<std::u16string_view>& keys);

    // Calls report(i) for every occurrence of keys[i] in text, at its end position, in text order
    // (keys ending at the same place longest first).
    template <class Report>
    void scan(std::u16string_view text, Report&& report) const {
        std::int32_t state = 0;
        for (const char16_t c : text) {
            state = next(state, c);
            for (std::int32_t at = keyIndex_[state] >= 0 ? state : outputLink_[state]; at > 0;
                 at = outputLink_[at]) {
                report(static_cast<std::size_t>(keyIndex_[at]));
            }
        }
    }

private:
    std::int32_t child(std::int32_t node, char16_t c) const; // -1 when there is none
    std::int32_t next(std::int32_t state, char16_t c) const;

    // The trie's edges, grouped by parent node and sorted by character within a group:
    // edges of node n are [edgeStart_[n], edgeStart_[n + 1]).
    std::vector<std::int32_t> edgeStart_;
    std::vector<char16_t> edgeChar_;
    std::vector<std::int32_t> edgeTarget_;
    std::vector<std::int32_t> failLink_;   // longest proper suffix that is a trie node
    std::vector<std::int32_t> outputLink_; // longest proper suffix that ends a key, 0 when none
    std::vector<std::int32_t> keyIndex_;   // the key ending at the node, -1 when none
};

} // namespace vx
