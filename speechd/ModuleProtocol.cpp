#include "speechd/ModuleProtocol.h"

#include <array>

namespace vx::speechd {
namespace {

using Kind = Request::Kind;

struct CommandName {
    std::string_view name;
    Kind kind;
};

constexpr std::array kCommands{
    CommandName{"INIT", Kind::Init},        CommandName{"SPEAK", Kind::Speak},
    CommandName{"CHAR", Kind::Char},        CommandName{"KEY", Kind::Key},
    CommandName{"SOUND_ICON", Kind::SoundIcon}, CommandName{"STOP", Kind::Stop},
    CommandName{"PAUSE", Kind::Pause},      CommandName{"LIST VOICES", Kind::ListVoices},
    CommandName{"SET", Kind::Set},          CommandName{"AUDIO", Kind::Audio},
    CommandName{"LOGLEVEL", Kind::LogLevel}, CommandName{"QUIT", Kind::Quit},
};

// The server sends about ten short lines; a block of more is no block of settings.
constexpr std::size_t kMaxSettingsBytes = 64 * 1024;

bool hasText(Kind kind) {
    return kind == Kind::Speak || kind == Kind::Char || kind == Kind::Key || kind == Kind::SoundIcon;
}

bool hasSettings(Kind kind) {
    return kind == Kind::Set || kind == Kind::Audio || kind == Kind::LogLevel;
}

std::string tooLong() {
    return "longer than " + std::to_string(ProtocolReader::kMaxTextBytes) + " bytes";
}

} // namespace

void ProtocolReader::feed(std::string_view bytes) {
    while (!bytes.empty()) {
        const std::size_t end = bytes.find('\n');
        const std::string_view piece = bytes.substr(0, end);
        if (!overlongLine_ && partial_.size() + piece.size() > kMaxTextBytes) {
            overlongLine_ = true;
            partial_.clear();
        }
        if (!overlongLine_) {
            partial_.append(piece);
        }
        if (end == std::string_view::npos) {
            return;
        }
        bytes.remove_prefix(end + 1);
        if (overlongLine_) {
            overlongLine_ = false;
            droppedLine();
        } else {
            line(partial_);
        }
        partial_.clear();
    }
}

std::optional<Request> ProtocolReader::next() {
    if (ready_.empty()) {
        return std::nullopt;
    }
    Request request = std::move(ready_.front());
    ready_.pop_front();
    return request;
}

void ProtocolReader::push(Request request) {
    ready_.push_back(std::move(request));
}

void ProtocolReader::line(std::string_view text) {
    if (!block_) {
        Request request = command(text);
        if (hasText(request.kind) || hasSettings(request.kind)) {
            settingsBytes_ = 0;
            block_ = request;
            request.opening = true;
        }
        push(std::move(request));
    } else if (blockLine(text)) {
        push(std::move(*block_));
        block_.reset();
    }
}

void ProtocolReader::droppedLine() {
    if (block_) {
        block_->problem = tooLong();
        block_->lines += hasText(block_->kind) ? 1 : 0;
        return;
    }
    Request request;
    request.line = "a line " + tooLong();
    push(std::move(request));
}

Request ProtocolReader::command(std::string_view line) {
    Request request;
    for (const CommandName& command : kCommands) {
        if (line == command.name) {
            request.kind = command.kind;
            return request;
        }
    }
    request.kind = line.starts_with("DEBUG") ? Kind::Debug : Kind::Unknown;
    request.line = line;
    return request;
}

bool ProtocolReader::blockLine(std::string_view line) {
    if (line == ".") {
        // The LF of the last line belongs to the protocol, not to the text.
        if (!block_->text.empty()) {
            block_->text.pop_back();
        }
        return true;
    }
    if (line.starts_with('.')) {
        line.remove_prefix(1);
    }
    Request& request = *block_;
    if (hasSettings(request.kind)) {
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos || equals == 0) {
            request.problem = "'" + std::string(line.substr(0, 200)) + "' is no name=value line";
        } else if (settingsBytes_ + line.size() > kMaxSettingsBytes) {
            request.problem = "settings of more than " + std::to_string(kMaxSettingsBytes) + " bytes";
        } else {
            settingsBytes_ += line.size();
            request.settings.emplace_back(line.substr(0, equals), line.substr(equals + 1));
        }
        return false;
    }
    ++request.lines;
    if (request.text.size() + line.size() + 1 > kMaxTextBytes) {
        request.problem = tooLong();
        return false;
    }
    request.text.append(line);
    request.text.push_back('\n');
    return false;
}

std::string replyLine(int code, std::string_view text) {
    return std::to_string(code) + " " + std::string(text) + "\n";
}

std::string errorReply(int code, std::string_view reason, std::string_view text) {
    // A reason never spans lines: a line of its own would end the answer early.
    std::string line(reason);
    for (char& c : line) {
        if (c == '\n' || c == '\r') {
            c = ' ';
        }
    }
    return std::to_string(code) + "-" + line + "\n" + replyLine(code, text);
}

std::string indexMarkEvent(std::string_view name) {
    return "700-" + std::string(name) + "\n700 INDEX MARK\n";
}

std::string audioEvent(const WAVEFORMATEX& format, const void* data, std::size_t bytes) {
    const std::size_t frameBytes = format.nBlockAlign > 0 ? format.nBlockAlign : 1;
    std::string event = "705-bits=" + std::to_string(format.wBitsPerSample) +
                        "\n705-num_channels=" + std::to_string(format.nChannels) +
                        "\n705-sample_rate=" + std::to_string(format.nSamplesPerSec) +
                        "\n705-num_samples=" + std::to_string(bytes / frameBytes) +
                        "\n705-big_endian=0\n705-AUDIO";
    event.push_back('\0');
    constexpr char kEscape = 0x7D;
    constexpr char kInvert = 0x20;
    const auto* bytesIn = static_cast<const char*>(data);
    event.reserve(event.size() + bytes + bytes / 64 + 16);
    for (std::size_t i = 0; i < bytes - bytes % frameBytes; ++i) {
        const char c = bytesIn[i];
        if (c == '\n' || c == kEscape) {
            event.push_back(kEscape);
            event.push_back(static_cast<char>(c ^ kInvert));
        } else {
            event.push_back(c);
        }
    }
    event += "\n705 AUDIO\n";
    return event;
}

} // namespace vx::speechd
