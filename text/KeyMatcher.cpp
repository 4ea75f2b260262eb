#include "text/KeyMatcher.h"

#include <algorithm>
#include <unordered_map>

namespace vx {
namespace {

struct Edge {
    std::int32_t parent;
    char16_t c;
    std::int32_t target;
};

std::uint64_t edgeKey(std::int32_t parent, char16_t c) {
    return (static_cast<std::uint64_t>(parent) << 16) | c;
}

} // namespace

KeyMatcher::KeyMatcher(const std::vector<std::u16string_view>& keys) {
    // 1. The trie, as a list of edges; node 0 is the root.
    std::unordered_map<std::uint64_t, std::int32_t> children;
    std::vector<Edge> edges;
    keyIndex_.push_back(-1);
    for (std::size_t i = 0; i < keys.size(); ++i) {
        if (keys[i].empty()) {
            continue;
        }
        std::int32_t node = 0;
        for (const char16_t c : keys[i]) {
            auto [at, added] = children.try_emplace(edgeKey(node, c), static_cast<std::int32_t>(keyIndex_.size()));
            if (added) {
                edges.push_back({node, c, at->second});
                keyIndex_.push_back(-1);
            }
            node = at->second;
        }
        keyIndex_[node] = static_cast<std::int32_t>(i);
    }

    // 2. Edges flattened per parent, sorted by character for binary search.
    const std::size_t nodes = keyIndex_.size();
    std::sort(edges.begin(), edges.end(),
              [](const Edge& a, const Edge& b) { return a.parent != b.parent ? a.parent < b.parent : a.c < b.c; });
    edgeStart_.assign(nodes + 1, 0);
    for (const Edge& e : edges) {
        ++edgeStart_[e.parent + 1];
    }
    for (std::size_t n = 0; n < nodes; ++n) {
        edgeStart_[n + 1] += edgeStart_[n];
    }
    for (const Edge& e : edges) {
        edgeChar_.push_back(e.c);
        edgeTarget_.push_back(e.target);
    }

    // 3. Failure and output links, breadth first so that a node's suffixes are done before it.
    failLink_.assign(nodes, 0);
    outputLink_.assign(nodes, 0);
    std::vector<std::int32_t> queue{0};
    for (std::size_t head = 0; head < queue.size(); ++head) {
        const std::int32_t parent = queue[head];
        for (std::int32_t e = edgeStart_[parent]; e < edgeStart_[parent + 1]; ++e) {
            const std::int32_t node = edgeTarget_[e];
            const std::int32_t fail = parent == 0 ? 0 : next(failLink_[parent], edgeChar_[e]);
            failLink_[node] = fail;
            outputLink_[node] = keyIndex_[fail] >= 0 ? fail : outputLink_[fail];
            queue.push_back(node);
        }
    }
}

std::int32_t KeyMatcher::child(std::int32_t node, char16_t c) const {
    const auto first = edgeChar_.begin() + edgeStart_[node];
    const auto last = edgeChar_.begin() + edgeStart_[node + 1];
    const auto at = std::lower_bound(first, last, c);
    return at != last && *at == c ? edgeTarget_[at - edgeChar_.begin()] : -1;
}

std::int32_t KeyMatcher::next(std::int32_t state, char16_t c) const {
    for (;;) {
        const std::int32_t to = child(state, c);
        if (to >= 0) {
            return to;
        }
        if (state == 0) {
            return 0;
        }
        state = failLink_[state];
    }
}

} // namespace vx
