#pragma once
// The protocol that Speech Dispatcher speaks with its output modules over their standard input
// and output. The server sends one command a line (LF); SPEAK, CHAR, KEY and SOUND_ICON are
// followed by their text, SET, AUDIO and LOGLEVEL by "name=value" lines, each block closed by a
// line holding a single dot (a line of the block that starts with a dot has a second one put
// before it). The module answers each command with a three-digit code line (continuation lines
// have a '-' after the code, the last one a space) and reports events (7xx) on its own, audio
// among them.

#include "platform/WaveFormat.h"

#include <cstddef>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vx::speechd {

struct Request {
    enum class Kind {
        Init, Speak, Char, Key, SoundIcon, Stop, Pause, ListVoices, Set, Audio, LogLevel, Debug, Quit, Unknown
    };
    Kind kind = Kind::Unknown;
    // A command that has a block comes twice: first as it opens (opening true, nothing read yet:
    // the server waits for the answer before it sends the block), then complete.
    bool opening = false;
    // Speak, Char, Key, SoundIcon: the text, its lines joined by LF, and how many lines it had.
    std::string text;
    std::size_t lines = 0;
    // Set, Audio, LogLevel: the name=value lines in order.
    std::vector<std::pair<std::string, std::string>> settings;
    // Why the block cannot be taken as sent (a settings line without '=', a text over the size
    // limit, whose rest was read and dropped); empty when it can.
    std::string problem;
    // Debug and Unknown: the command line as sent (without its LF).
    std::string line;
};

// Reads requests from the bytes of standard input as they arrive, in pieces of any size. Memory
// stays bounded whatever comes: a text or a line past kMaxTextBytes, or settings past 64 KB, are
// read to their end and dropped, and the request says so.
class ProtocolReader {
public:
    static constexpr std::size_t kMaxTextBytes = 16 * 1024 * 1024;

    // Reads the requests that bytes complete.
    void feed(std::string_view bytes);
    // The next request read completely (or opened), in order; nothing when more bytes are needed.
    std::optional<Request> next();

private:
    void line(std::string_view text);
    // A line past the limit, read to its LF and dropped.
    void droppedLine();
    Request command(std::string_view line);
    // Adds one line of the open block; true when it closed the block.
    bool blockLine(std::string_view line);
    void push(Request request);

    std::string partial_;          // the line read so far, without its LF
    bool overlongLine_ = false;    // that line passed the limit: the rest of it is skipped
    std::optional<Request> block_; // the command whose block is being read
    std::size_t settingsBytes_ = 0; // of that block's settings
    std::deque<Request> ready_;
};

// The answers and events the module writes. Each ends with its LF.
std::string replyLine(int code, std::string_view text);
// An error answer: the reason on a continuation line, then the code's own text.
std::string errorReply(int code, std::string_view reason, std::string_view text);
std::string indexMarkEvent(std::string_view name);
// One block of 16-bit or 8-bit PCM for the server to play, in the format it is in. The bytes are
// HDLC-escaped: LF and 0x7D are sent as 0x7D followed by the byte with bit 5 inverted.
std::string audioEvent(const WAVEFORMATEX& format, const void* data, std::size_t bytes);

} // namespace vx::speechd
