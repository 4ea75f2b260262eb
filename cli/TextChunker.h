#pragma once
// Reads UTF-8 text from a stream a block at a time and hands it out in chunks of bounded size,
// cut at sentence ends, so that a text of any length is spoken with the same memory and its
// first sentence is spoken before the rest is read.

#include <cstdint>
#include <istream>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace vx::cli {

// The input is not UTF-8 or could not be read. The message is a predicate for the input's
// name ("is not UTF-8 (bad bytes at byte 17)").
class InputError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct Chunk {
    // Every run of white space is one space and the ends are trimmed, so the engine's text
    // pipeline reads this text unchanged and the offsets it reports are offsets into it.
    std::u16string text;
    // For each unit of text, and one past its end, where it was in the input (UTF-16 units).
    std::vector<std::uint64_t> source;

    struct Span {
        std::uint64_t offset;
        std::uint64_t length;
    };
    // Where text[offset, offset + length) came from in the input; out-of-range values are
    // clamped to the chunk.
    Span sourceSpan(std::uint64_t offset, std::uint64_t length) const;
};

class TextChunker {
public:
    static constexpr std::size_t kDefaultMaxChunk = 1024;
    static constexpr std::size_t kBlockBytes = 4096;

    // maxChunk: the most UTF-16 units in one chunk (at least 2).
    explicit TextChunker(std::istream& in, std::size_t maxChunk = kDefaultMaxChunk);

    // The next chunk, never empty, or nothing at the end of the text. Throws InputError for bytes
    // that are not UTF-8 (with their byte offset) and when the stream fails.
    std::optional<Chunk> next();

private:
    bool readBlock();
    void append(std::u16string_view units);
    void appendCharacter(char16_t c);
    std::size_t cutPosition() const;
    Chunk take(std::size_t cut);

    std::istream& in_;
    std::size_t maxChunk_;
    bool ended_ = false;
    std::string undecoded_; // the start of a UTF-8 sequence that the next block completes
    std::uint64_t bytesRead_ = 0;
    std::uint64_t unitsRead_ = 0;
    // Decoded text not yet handed out, spaces collapsed, with the input offset of each unit.
    std::u16string pending_;
    std::vector<std::uint64_t> pendingSource_;
    // Positions in pending_ of spaces that end a sentence or a paragraph: the preferred cuts.
    std::vector<std::size_t> sentenceEnds_;
    // The white space seen since the last character that is not white space.
    bool inSpace_ = false;
    std::uint64_t spaceSource_ = 0;
    int spaceNewlines_ = 0;
};

// The whole of a stream's UTF-8 text as UTF-16, without a byte-order mark, for text that is read
// at once rather than in chunks. Throws InputError as TextChunker::next() does.
std::u16string readWholeText(std::istream& in);

} // namespace vx::cli
