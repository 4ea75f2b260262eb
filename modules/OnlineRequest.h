#pragma once
// How the online modules write a portion's text into a service's address: a request template
// from engines.conf whose "%s" placeholders are filled in turn, and the text percent-encoded.

#include <string>
#include <string_view>
#include <vector>

namespace vx {

// UTF-8 bytes percent-encoded as the services take them: a space becomes "+", every other byte
// (letters and digits too) "%" and two upper-case hexadecimal digits. withMark puts the encoded
// UTF-8 byte-order mark "%EF%BB%BF" first (not before empty text).
std::string UrlEncodeUtf8(std::string_view bytes, bool withMark = true);

// One formatting pass over a request template: each "%s" takes the next argument, "%%" becomes
// "%", and anything else, a "%s" without an argument left included, is copied as it stands. The
// arguments are not scanned again, so an argument "%s" stays a placeholder for the next pass.
// The template is never a printf format: no sequence in it can read what is not there.
template <class Char>
std::basic_string<Char> fillPlaceholders(std::basic_string_view<Char> format,
                                         const std::vector<std::basic_string<Char>>& arguments) {
    std::basic_string<Char> out;
    std::size_t next = 0;
    for (std::size_t i = 0; i < format.size(); ++i) {
        const Char c = format[i];
        const Char directive = i + 1 < format.size() ? format[i + 1] : Char{};
        if (c == Char('%') && directive == Char('%')) {
            out += c;
            ++i;
        } else if (c == Char('%') && directive == Char('s') && next < arguments.size()) {
            out += arguments[next++];
            ++i;
        } else {
            out += c;
        }
    }
    return out;
}

} // namespace vx
