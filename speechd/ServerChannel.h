#pragma once
// The module's standard output, the server's only way to hear from it: whole answers, events and
// audio blocks, one writer at a time, since the reading thread answers commands while the
// speaking thread reports events and audio.

#include <functional>
#include <mutex>
#include <string_view>

namespace vx::speechd {

class ServerChannel {
public:
    // write: puts all of its bytes out, false when it cannot.
    explicit ServerChannel(std::function<bool(std::string_view)> write)
        : write_(std::move(write)) {}

    // Sends one message whole. False once a write has failed (the server has gone): nothing is
    // sent after that.
    bool send(std::string_view message) {
        std::lock_guard lock(mutex_);
        failed_ = failed_ || !write_(message);
        return !failed_;
    }

private:
    std::mutex mutex_;
    std::function<bool(std::string_view)> write_;
    bool failed_ = false;
};

} // namespace vx::speechd
