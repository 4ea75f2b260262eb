#pragma once
// The SSML that Speech Dispatcher sends with SPEAK, read for what the engine takes from it: the
// text and the index marks between its pieces (<mark name="..."/>). Other elements are dropped
// and their content kept. The reading is lenient, as a screen reader's text needs: a '<' or
// '&' that starts no tag or known entity is text.

#include <string>
#include <string_view>
#include <vector>

namespace vx::speechd {

struct SsmlPiece {
    enum class Kind { Text, Mark };
    Kind kind;
    std::u16string text; // Text: the text, entities decoded; Mark: the mark's name
};

// The pieces of ssml (UTF-8) in order: the text between two marks is one piece, left out when it
// is only white space.
std::vector<SsmlPiece> readSsml(std::string_view ssml);

} // namespace vx::speechd
