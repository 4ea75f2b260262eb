#include "cli/TextChunker.h"

#include "config/TextUtil.h"
#include "platform/CharClass.h"
#include "platform/Utf.h"

#include <algorithm>

namespace vx::cli {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr std::u16string_view kSentenceEnds = u".!?\u2026";
// What may stand between a sentence's last mark and the space: «Да!» — (так.)
constexpr std::u16string_view kClosers = u"\"')]\u00BB\u201D\u2019";

bool isContinuationByte(char byte) {
    return (static_cast<unsigned char>(byte) & 0xC0) == 0x80;
}

// How many bytes the sequence that starts with lead should have; 1 for a byte that cannot
// start one, which then fails validation on its own.
std::size_t sequenceLength(char lead) {
    const auto byte = static_cast<unsigned char>(lead);
    if (byte >= 0xF0) {
        return 4;
    }
    if (byte >= 0xE0) {
        return 3;
    }
    return byte >= 0xC0 ? 2 : 1;
}

// The length of bytes without a sequence at its end that is still missing bytes.
std::size_t completeLength(std::string_view bytes) {
    const std::size_t lookBack = std::min<std::size_t>(bytes.size(), 4);
    for (std::size_t back = 1; back <= lookBack; ++back) {
        const std::size_t start = bytes.size() - back;
        if (!isContinuationByte(bytes[start])) {
            return sequenceLength(bytes[start]) > back ? start : bytes.size();
        }
    }
    return bytes.size();
}

// The offset of the first byte of bytes that is not well-formed UTF-8. Valid UTF-8 is a sequence
// of valid characters, each a lead byte with its continuation bytes, so checking them one at a
// time finds the first bad one; when a good character merely has too many continuation bytes,
// the first of those is the bad byte.
std::size_t firstInvalidByte(std::string_view bytes) {
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t end = start + 1;
        while (end < bytes.size() && isContinuationByte(bytes[end])) {
            ++end;
        }
        const std::string_view piece = bytes.substr(start, end - start);
        if (!isValidUtf8(piece)) {
            const std::size_t expected = sequenceLength(piece.front());
            return piece.size() > expected && isValidUtf8(piece.substr(0, expected))
                       ? start + expected
                       : start;
        }
        start = end;
    }
    return bytes.size();
}

bool isSpaceInText(char16_t c) {
    return isSpaceLike(c) || TextUtil::kTrimSet.find(c) != std::u16string_view::npos;
}

bool isHighSurrogate(char16_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}

bool endsSentence(std::u16string_view text) {
    const std::size_t last = text.find_last_not_of(kClosers);
    return last != std::u16string_view::npos &&
           kSentenceEnds.find(text[last]) != std::u16string_view::npos;
}

} // namespace

std::u16string readWholeText(std::istream& in) {
    std::string bytes;
    char block[TextChunker::kBlockBytes];
    while (in.read(block, sizeof block) || in.gcount() > 0) {
        bytes.append(block, static_cast<std::size_t>(in.gcount()));
    }
    if (in.bad()) {
        throw InputError("cannot be read");
    }
    if (!isValidUtf8(bytes)) {
        throw InputError("is not UTF-8 (bad bytes at byte " +
                         std::to_string(firstInvalidByte(bytes)) + ")");
    }
    std::string_view text = bytes;
    if (text.starts_with(kByteOrderMark)) {
        text.remove_prefix(kByteOrderMark.size());
    }
    return fromUtf8(text);
}

Chunk::Span Chunk::sourceSpan(std::uint64_t offset, std::uint64_t length) const {
    const std::uint64_t size = text.size();
    const std::uint64_t begin = std::min(offset, size);
    const std::uint64_t end = std::min(begin + std::min(length, size), size);
    return {source[begin], source[end] - source[begin]};
}

TextChunker::TextChunker(std::istream& in, std::size_t maxChunk)
    : in_(in)
    , maxChunk_(std::max<std::size_t>(maxChunk, 2)) {}

std::optional<Chunk> TextChunker::next() {
    // One unit beyond the limit is read before cutting, so that a sentence end right at the
    // limit is known to be followed by a space.
    while (!ended_ && pending_.size() <= maxChunk_) {
        ended_ = !readBlock();
    }
    if (pending_.empty()) {
        return std::nullopt;
    }
    return take(pending_.size() <= maxChunk_ ? pending_.size() : cutPosition());
}

// Decodes one more block; false once the stream has ended. A sequence cut by the block's end
// waits for the next block; one cut by the end of the text is an error like any bad byte.
bool TextChunker::readBlock() {
    char block[kBlockBytes];
    in_.read(block, sizeof block);
    if (in_.bad()) {
        throw InputError("cannot be read");
    }
    const bool atEnd = in_.eof();
    undecoded_.append(block, static_cast<std::size_t>(in_.gcount()));
    std::string_view complete(undecoded_.data(),
                              atEnd ? undecoded_.size() : completeLength(undecoded_));
    if (!isValidUtf8(complete)) {
        throw InputError("is not UTF-8 (bad bytes at byte " +
                         std::to_string(bytesRead_ + firstInvalidByte(complete)) + ")");
    }
    const std::size_t decodedBytes = complete.size();
    // A byte-order mark, as Windows editors write, is not part of the text.
    if (bytesRead_ == 0 && complete.starts_with(kByteOrderMark)) {
        complete.remove_prefix(kByteOrderMark.size());
    }
    append(fromUtf8(complete));
    bytesRead_ += decodedBytes;
    undecoded_.erase(0, decodedBytes);
    return !atEnd;
}

void TextChunker::append(std::u16string_view units) {
    for (const char16_t c : units) {
        appendCharacter(c);
        ++unitsRead_;
    }
}

// A run of white space becomes one space only once a character follows it, so the text never
// ends in a space; at the very start it is dropped.
void TextChunker::appendCharacter(char16_t c) {
    if (isSpaceInText(c)) {
        if (!inSpace_) {
            inSpace_ = true;
            spaceSource_ = unitsRead_;
            spaceNewlines_ = 0;
        }
        spaceNewlines_ += c == u'\n' ? 1 : 0;
        return;
    }
    if (inSpace_ && !pending_.empty()) {
        if (spaceNewlines_ >= 2 || endsSentence(pending_)) {
            sentenceEnds_.push_back(pending_.size());
        }
        pending_ += u' ';
        pendingSource_.push_back(spaceSource_);
    }
    inSpace_ = false;
    pending_ += c;
    pendingSource_.push_back(unitsRead_);
}

// Where to cut a pending text longer than the limit: at its last sentence end within the limit,
// else at its last space, else at the limit itself, never between the halves of a surrogate
// pair.
std::size_t TextChunker::cutPosition() const {
    const auto sentence = std::find_if(sentenceEnds_.rbegin(), sentenceEnds_.rend(),
                                       [this](std::size_t at) { return at <= maxChunk_; });
    if (sentence != sentenceEnds_.rend()) {
        return *sentence;
    }
    const std::size_t space = pending_.rfind(u' ', maxChunk_);
    if (space != std::u16string::npos && space > 0) {
        return space;
    }
    return isHighSurrogate(pending_[maxChunk_ - 1]) ? maxChunk_ - 1 : maxChunk_;
}

// Hands out pending_[0, cut); a space at the cut belongs to neither chunk.
Chunk TextChunker::take(std::size_t cut) {
    Chunk chunk;
    chunk.text = pending_.substr(0, cut);
    chunk.source.assign(pendingSource_.begin(),
                        pendingSource_.begin() + static_cast<std::ptrdiff_t>(cut));
    chunk.source.push_back(pendingSource_[cut - 1] + 1);
    const std::size_t removed = cut < pending_.size() && pending_[cut] == u' ' ? cut + 1 : cut;
    pending_.erase(0, removed);
    pendingSource_.erase(pendingSource_.begin(),
                         pendingSource_.begin() + static_cast<std::ptrdiff_t>(removed));
    std::erase_if(sentenceEnds_, [removed](std::size_t at) { return at < removed; });
    for (std::size_t& at : sentenceEnds_) {
        at -= removed;
    }
    return chunk;
}

} // namespace vx::cli
