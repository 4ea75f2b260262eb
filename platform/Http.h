#pragma once
// HTTP GET for the online speech modules: one session per module instance, one request per portion,
// the body handed over in pieces as it arrives so that audio plays before the response is complete.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
namespace vx::platform {

// What a request gets back, as it arrives; both calls run on the thread that called get().
class HttpReceiver {
public:
    // Once per response, after its headers and before any of its body: the value of its
    // Content-Type header as sent (nullopt when it has none). false ends the request.
    virtual bool onContentType(const std::optional<std::string>& value) = 0;
    // The body in order, in pieces of 1..kHttpChunk bytes. false ends the request.
    virtual bool onData(const unsigned char* data, std::size_t size) = 0;
    virtual ~HttpReceiver() = default;
};

inline constexpr std::size_t kHttpChunk = 8192;

struct HttpTimeouts {
    std::uint32_t connectMilliseconds = 5000; // to connect and receive the response's headers
    std::uint32_t readMilliseconds = 5000;    // the longest wait for more of the body
};

enum class HttpResult {
    Completed,  // the whole body was handed over (or there was none)
    Stopped,    // the receiver returned false
    CannotOpen, // no response: bad address, refused, unreachable, ...
    TimedOut,   // no headers within connectMilliseconds, or a silence longer than readMilliseconds
    Failed,     // the response broke off (a body shorter than announced, a reset, ...)
};

class HttpSession {
public:
    // A session with the system's proxy settings (environment on POSIX, the system's on
    // Windows); null when the system cannot make one. userAgent is sent with every request.
    static std::unique_ptr<HttpSession> open(const std::string& userAgent);
    virtual ~HttpSession() = default;
    // GETs url (UTF-8, already percent-encoded; any length) with one extra request header line
    // ("Name: value"); the response goes to receiver as it arrives.
    virtual HttpResult get(const std::string& url, const std::string& header, const HttpTimeouts& timeouts,
                           HttpReceiver& receiver) = 0;
};
} // namespace vx::platform
