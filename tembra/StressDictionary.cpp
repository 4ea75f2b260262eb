#include "tembra/StressDictionary.h"

#include "platform/Files.h"
#include "tembra/Letters.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <limits>
#include <utility>

namespace vx::tembra {
namespace {

constexpr std::size_t kLongestPiece = std::numeric_limits<std::uint8_t>::max(); // bytes
constexpr std::size_t kLongestLine = std::numeric_limits<std::uint16_t>::max(); // bytes
constexpr std::size_t kLongestWord = kLongestPiece;                             // letters
constexpr std::size_t kMostDigits = 4;

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

// The small Russian letter whose two UTF-8 bytes start text at pos (before end), or 0. The file is
// read as it is, UTF-8: converting it first would cost as much as the rest of loading.
char16_t letterAt(std::string_view text, std::size_t pos, std::size_t end) {
    if (pos + 1 >= end) return 0;
    const auto lead = static_cast<unsigned char>(text[pos]);
    const auto next = static_cast<unsigned char>(text[pos + 1]);
    if (lead == 0xD0 && next >= 0xB0 && next <= 0xBF)
        return static_cast<char16_t>(u'а' + (next - 0xB0));
    if (lead == 0xD1 && next >= 0x80 && next <= 0x8F)
        return static_cast<char16_t>(u'р' + (next - 0x80));
    if (lead == 0xD1 && next == 0x91) return u'ё';
    return 0;
}

// The two UTF-8 bytes of a small Russian letter, written to out; two zero bytes, which no key
// holds, for any other character.
void putLetter(char16_t c, char* out) {
    const unsigned code = c;
    const bool letter = (code >= 0x430 && code <= 0x44F) || code == 0x451;
    out[0] = static_cast<char>(letter ? 0xC0 | (code >> 6) : 0);
    out[1] = static_cast<char>(letter ? 0x80 | (code & 0x3F) : 0);
}

// The hash of a key, letter by letter (two bytes at a time), continued over its pieces so that a
// key hashes alike whether it is one piece or a stem and an ending; finish() mixes the sum, so that
// its low bits (the slot) and high bits (the check) both depend on every letter.
std::uint64_t hashOf(std::string_view piece, std::uint64_t hash = 5381) {
    for (std::size_t i = 0; i + 1 < piece.size(); i += 2) {
        hash = hash * 33 + (static_cast<unsigned char>(piece[i]) << 8 |
                            static_cast<unsigned char>(piece[i + 1]));
    }
    return hash;
}

std::uint64_t finish(std::uint64_t hash) {
    hash = (hash ^ (hash >> 33)) * 0xFF51AFD7ED558CCDull;
    hash = (hash ^ (hash >> 33)) * 0xC4CEB9FE1A85EC53ull;
    return hash ^ (hash >> 33);
}

// Whether two keys, each a stem followed by an ending, are the same bytes, however each is cut.
bool sameKey(std::string_view stemA, std::string_view endingA, std::string_view stemB,
             std::string_view endingB) {
    if (stemA.size() + endingA.size() != stemB.size() + endingB.size()) return false;
    if (stemA.size() > stemB.size()) {
        std::swap(stemA, stemB);
        std::swap(endingA, endingB);
    }
    // stemB is stemA and the start of endingA; endingB the rest of endingA.
    const std::size_t split = stemB.size() - stemA.size();
    return stemB.starts_with(stemA) && stemB.substr(stemA.size()) == endingA.substr(0, split) &&
           endingA.substr(split) == endingB;
}

// The index of the vowel that is count-th from the end of word (it has at least count vowels).
std::size_t vowelFromEnd(std::u16string_view word, std::size_t count) {
    std::size_t i = word.size();
    while (count > 0) {
        if (isVowel(word[--i])) --count;
    }
    return i;
}

} // namespace

std::string_view StressDictionary::text() const {
    return {reinterpret_cast<const char*>(text_.data()), text_.size()};
}

bool StressDictionary::load(const std::u16string& path) {
    auto bytes = platform::readFileBytes(path);
    if (!bytes || text_.size() + bytes->size() > std::numeric_limits<std::uint32_t>::max())
        return false;
    std::size_t pos = text_.size();
    if (text_.empty()) {
        text_ = std::move(*bytes);
    } else {
        text_.insert(text_.end(), bytes->begin(), bytes->end());
    }
    if (text().substr(pos).starts_with("\xEF\xBB\xBF")) pos += 3;
    // The forms are gathered first, so that the table is sized once, and then put into it in one
    // tight loop, which fetches its slots (seldom in the cache) several at a time.
    std::vector<Entry> forms;
    while (pos < text_.size()) {
        const std::size_t lineEnd = std::min(text().find('\n', pos), text_.size());
        while (pos < lineEnd && isBlank(text_[pos]))
            ++pos;
        if (pos < lineEnd && text_[pos] != ';' &&
            !(text_[pos] == '-' ? addRule(pos, lineEnd) : addForms(pos, lineEnd, forms))) {
            ++badLines_;
        }
        pos = lineEnd + 1;
    }
    forms_.reserve(forms.size(), text());
    for (const Entry& entry : forms) {
        forms_.put(entry, text());
    }
    return true;
}

bool StressDictionary::addForms(std::size_t begin, std::size_t lineEnd, std::vector<Entry>& forms) {
    // Checked whole before anything is kept: pieces of letters apart by "|", the first (the stem)
    // not empty and with at most one "+", right before a vowel; then only blanks and a comment.
    const std::string_view all = text();
    std::size_t plus = std::string_view::npos;
    std::size_t stemEnd = std::string_view::npos;
    std::size_t pieceStart = begin;
    std::size_t pos = begin;
    const auto endPiece = [&] {
        const bool stem = stemEnd == std::string_view::npos;
        const std::size_t bytes =
            pos - pieceStart - (stem && plus != std::string_view::npos ? 1 : 0);
        if (stem) stemEnd = pos;
        return (!stem || bytes > 0) && bytes <= kLongestPiece;
    };
    while (pos < lineEnd) {
        const auto byte = static_cast<unsigned char>(all[pos]);
        if (byte == 0xD0 || byte == 0xD1) {
            if (letterAt(all, pos, lineEnd) == 0) return false;
            pos += 2;
        } else if (byte == '|') {
            if (!endPiece()) return false;
            pieceStart = ++pos;
        } else if (byte == '+' && stemEnd == std::string_view::npos &&
                   plus == std::string_view::npos && isVowel(letterAt(all, pos + 1, lineEnd))) {
            plus = pos++;
        } else {
            break;
        }
    }
    const std::size_t end = pos;
    if (!endPiece() || end - begin > kLongestLine) return false;
    while (pos < lineEnd && isBlank(all[pos]))
        ++pos;
    if (pos < lineEnd && all[pos] != ';') return false;

    Entry entry;
    entry.stem = static_cast<std::uint32_t>(begin);
    entry.value = kUnstressed;
    if (plus != std::string_view::npos) {
        // The "+" goes: the letters before it move up one byte, so the stem is one run of letters.
        std::memmove(text_.data() + begin + 1, text_.data() + begin, plus - begin);
        entry.stem = static_cast<std::uint32_t>(begin + 1);
        entry.value = static_cast<std::uint16_t>((plus - begin) / 2);
    }
    entry.stemBytes = static_cast<std::uint8_t>(stemEnd - entry.stem);
    forms.push_back(entry);
    const std::string_view line = text().substr(0, end);
    for (pos = stemEnd; pos < end;) {
        const std::size_t ending = pos + 1;
        pos = std::min(line.find('|', ending), end);
        entry.endingFromStem = static_cast<std::uint16_t>(ending - entry.stem);
        entry.endingBytes = static_cast<std::uint8_t>(pos - ending);
        forms.push_back(entry);
    }
    return true;
}

bool StressDictionary::addRule(std::size_t begin, std::size_t lineEnd) {
    const std::string_view all = text();
    std::size_t end = std::min(all.substr(0, lineEnd).find(';', begin), lineEnd);
    while (isBlank(all[end - 1]))
        --end;
    std::size_t pos = begin + 1;
    while (letterAt(all, pos, end) != 0)
        pos += 2;
    const std::size_t suffixEnd = pos;
    while (pos < end && (all[pos] == ' ' || all[pos] == '\t'))
        ++pos;
    if (pos == suffixEnd || pos == end || end - pos > kMostDigits ||
        suffixEnd - begin - 1 > kLongestPiece) {
        return false;
    }
    unsigned count = 0;
    for (; pos < end; ++pos) {
        if (all[pos] < '0' || all[pos] > '9') return false;
        count = count * 10 + static_cast<unsigned>(all[pos] - '0');
    }
    if (count == 0) return false;
    if (suffixEnd == begin + 1) {
        default_ = static_cast<std::uint16_t>(count);
        return true;
    }
    Entry entry;
    entry.stem = static_cast<std::uint32_t>(begin + 1);
    entry.stemBytes = static_cast<std::uint8_t>(suffixEnd - begin - 1);
    entry.value = static_cast<std::uint16_t>(count);
    rules_.put(entry, all);
    longestRule_ = std::max<std::size_t>(longestRule_, entry.stemBytes / 2);
    return true;
}

std::size_t StressDictionary::stressedVowel(std::u16string_view word) const {
    // The word spelt as the files spell it; a longer word than any key is looked up by its end.
    std::array<char, 2 * kLongestWord> bytes;
    const std::size_t tail = std::min(word.size(), kLongestWord);
    for (std::size_t i = 0; i < tail; ++i) {
        putLetter(word[word.size() - tail + i], bytes.data() + 2 * i);
    }
    const std::string_view spelt(bytes.data(), 2 * tail);
    if (tail == word.size()) {
        if (const Entry* form = forms_.find(spelt, text())) {
            return form->value == kUnstressed ? kNone : form->value;
        }
    }
    std::size_t vowels = 0;
    std::size_t firstVowel = kNone;
    std::size_t lastYo = kNone;
    for (std::size_t i = 0; i < word.size(); ++i) {
        if (!isVowel(word[i])) continue;
        ++vowels;
        if (firstVowel == kNone) firstVowel = i;
        if (word[i] == u'ё') lastYo = i;
    }
    if (vowels == 0) return kNone;
    if (lastYo != kNone) return lastYo;
    if (vowels == 1) return firstVowel;
    for (std::size_t letters = std::min(tail, longestRule_); letters > 0; --letters) {
        const Entry* rule = rules_.find(spelt.substr(2 * (tail - letters)), text());
        if (rule != nullptr && rule->value <= vowels) return vowelFromEnd(word, rule->value);
    }
    if (default_ == 0) return kNone;
    return vowelFromEnd(word, std::min<std::size_t>(default_, vowels));
}

void StressDictionary::Table::reserve(std::size_t count, std::string_view text) {
    const std::size_t needed = used_ + count;
    // At most three quarters of the slots in use keeps the probes short.
    if (needed * 4 > slots_.size() * 3) rehash(std::bit_ceil(needed * 4 / 3 + 1), text);
}

void StressDictionary::Table::put(Entry entry, std::string_view text) {
    reserve(1, text);
    const std::string_view stem = text.substr(entry.stem, entry.stemBytes);
    const std::string_view ending =
        text.substr(entry.stem + entry.endingFromStem, entry.endingBytes);
    const std::uint64_t hash = finish(hashOf(ending, hashOf(stem)));
    entry.check = static_cast<std::uint16_t>(hash >> 48);
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
        Entry& slot = slots_[i];
        if (slot.stemBytes == 0) {
            slot = entry;
            ++used_;
            return;
        }
        if (slot.check == entry.check &&
            sameKey(text.substr(slot.stem, slot.stemBytes),
                    text.substr(slot.stem + slot.endingFromStem, slot.endingBytes), stem, ending)) {
            slot.value = entry.value;
            return;
        }
    }
}

const StressDictionary::Entry* StressDictionary::Table::find(std::string_view key,
                                                             std::string_view text) const {
    if (slots_.empty()) return nullptr;
    const std::uint64_t hash = finish(hashOf(key));
    const auto check = static_cast<std::uint16_t>(hash >> 48);
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
        const Entry& slot = slots_[i];
        if (slot.stemBytes == 0) return nullptr;
        if (slot.check == check &&
            sameKey(text.substr(slot.stem, slot.stemBytes),
                    text.substr(slot.stem + slot.endingFromStem, slot.endingBytes), key, {})) {
            return &slot;
        }
    }
}

void StressDictionary::Table::rehash(std::size_t slotCount, std::string_view text) {
    std::vector<Entry> old(slotCount);
    old.swap(slots_);
    used_ = 0;
    for (const Entry& entry : old) {
        if (entry.stemBytes != 0) put(entry, text);
    }
}

} // namespace vx::tembra
