#include "platform/Http.h"

#include "platform/Utf.h"

#include <windows.h>
#include <wininet.h>

namespace vx::platform {

namespace {

class InternetHandle {
public:
    explicit InternetHandle(HINTERNET handle)
        : handle_(handle) {}
    ~InternetHandle() {
        if (handle_) ::InternetCloseHandle(handle_);
    }
    InternetHandle(const InternetHandle&) = delete;
    InternetHandle& operator=(const InternetHandle&) = delete;
    HINTERNET get() const { return handle_; }

private:
    HINTERNET handle_;
};

void setTimeout(HINTERNET handle, DWORD option, std::uint32_t milliseconds) {
    DWORD value = milliseconds;
    ::InternetSetOptionW(handle, option, &value, sizeof value);
}

// A response header's value as sent, or nullopt when the response has none.
std::optional<std::u16string> headerValue(HINTERNET request, DWORD query) {
    std::u16string value(64, u'\0');
    DWORD bytes = static_cast<DWORD>(value.size() * sizeof(char16_t));
    while (!::HttpQueryInfoW(request, query, value.data(), &bytes, nullptr)) {
        // ERROR_HTTP_HEADER_NOT_FOUND, or anything else that leaves no value to read
        if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER) return std::nullopt;
        value.assign(bytes / sizeof(char16_t) + 1, u'\0');
        bytes = static_cast<DWORD>(value.size() * sizeof(char16_t));
    }
    value.resize(bytes / sizeof(char16_t));
    return value;
}

// The body's announced length, or nullopt when the response announces none (chunked, or ended
// by closing the connection).
std::optional<std::uint64_t> contentLength(HINTERNET request) {
    const auto text = headerValue(request, HTTP_QUERY_CONTENT_LENGTH);
    if (!text || text->empty()) return std::nullopt;
    std::uint64_t length = 0;
    for (const char16_t c : *text) {
        if (c < u'0' || c > u'9') return std::nullopt;
        length = length * 10 + static_cast<std::uint64_t>(c - u'0');
    }
    return length;
}

bool isTimeout() {
    return ::GetLastError() == ERROR_INTERNET_TIMEOUT;
}

// Hands the body over as it arrives: each read takes what the connection already holds (at
// most kHttpChunk), not a full buffer, so that slow audio is not held back.
HttpResult readBody(HINTERNET request, HttpReceiver& receiver) {
    const auto announced = contentLength(request);
    std::uint64_t received = 0;
    unsigned char buffer[kHttpChunk];
    for (;;) {
        DWORD available = 0;
        if (!::InternetQueryDataAvailable(request, &available, 0, 0)) {
            return isTimeout() ? HttpResult::TimedOut : HttpResult::Failed;
        }
        if (available == 0) break;
        DWORD got = 0;
        if (!::InternetReadFile(request, buffer,
                                available < sizeof buffer ? available : sizeof buffer, &got)) {
            return isTimeout() ? HttpResult::TimedOut : HttpResult::Failed;
        }
        if (got == 0) break;
        received += got;
        if (!receiver.onData(buffer, got)) return HttpResult::Stopped;
    }
    // WinINet reports a connection closed early as the body's end.
    return announced && received < *announced ? HttpResult::Failed : HttpResult::Completed;
}

class WinInetSession final : public HttpSession {
public:
    explicit WinInetSession(HINTERNET internet)
        : internet_(internet) {}

    HttpResult get(const std::string& url, const std::string& header, const HttpTimeouts& timeouts,
                   HttpReceiver& receiver) override {
        // Until the headers are in, every wait is bounded by the connect time-out; the request
        // inherits these from the session.
        setTimeout(internet_.get(), INTERNET_OPTION_CONNECT_TIMEOUT, timeouts.connectMilliseconds);
        setTimeout(internet_.get(), INTERNET_OPTION_SEND_TIMEOUT, timeouts.connectMilliseconds);
        setTimeout(internet_.get(), INTERNET_OPTION_RECEIVE_TIMEOUT, timeouts.connectMilliseconds);
        const std::string headers = header.empty() ? std::string() : header + "\r\n";
        // No cache, no cookie store of the user's, and never a dialog in the speaking application.
        const DWORD flags = INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_RELOAD |
                            INTERNET_FLAG_NO_UI | INTERNET_FLAG_NO_COOKIES |
                            INTERNET_FLAG_KEEP_CONNECTION;
        const InternetHandle request(::InternetOpenUrlA(
            internet_.get(), url.c_str(), headers.empty() ? nullptr : headers.c_str(),
            static_cast<DWORD>(headers.size()), flags, 0));
        if (!request.get()) return isTimeout() ? HttpResult::TimedOut : HttpResult::CannotOpen;
        setTimeout(request.get(), INTERNET_OPTION_RECEIVE_TIMEOUT, timeouts.readMilliseconds);
        const auto type = headerValue(request.get(), HTTP_QUERY_CONTENT_TYPE);
        if (!receiver.onContentType(type ? std::optional<std::string>(toUtf8(*type))
                                         : std::nullopt)) {
            return HttpResult::Stopped;
        }
        return readBody(request.get(), receiver);
    }

private:
    InternetHandle internet_;
};

} // namespace

std::unique_ptr<HttpSession> HttpSession::open(const std::string& userAgent) {
    const std::u16string agent = fromUtf8(userAgent);
    HINTERNET internet = ::InternetOpenW(reinterpret_cast<const wchar_t*>(agent.c_str()),
                                         INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
    if (!internet) return nullptr;
    return std::make_unique<WinInetSession>(internet);
}

} // namespace vx::platform
