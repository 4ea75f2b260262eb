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

// Whether the call started at tick start failed for want of time. Windows says so; Wine passes
// the socket's WSAETIMEDOUT on, and reports headers that never came as an aborted connection, so
// a call that waited for all of its time-out (give or take a tick of the clock) counts too.
bool ranOutOfTime(DWORD start, std::uint32_t limit) {
    constexpr DWORD kSocketTimedOut = 10060; // WSAETIMEDOUT
    constexpr DWORD kTick = 16;
    const DWORD error = ::GetLastError();
    return error == ERROR_INTERNET_TIMEOUT || error == kSocketTimedOut ||
           ::GetTickCount() - start + kTick >= limit;
}

// Hands the body over as it arrives: each read takes what the connection already holds (at
// most kHttpChunk), not a full buffer, so that slow audio is not held back.
HttpResult readBody(HINTERNET request, std::uint32_t readMilliseconds, HttpReceiver& receiver) {
    const auto announced = contentLength(request);
    std::uint64_t received = 0;
    unsigned char buffer[kHttpChunk];
    for (;;) {
        const DWORD start = ::GetTickCount();
        DWORD available = 0;
        if (!::InternetQueryDataAvailable(request, &available, 0, 0)) {
            return ranOutOfTime(start, readMilliseconds) ? HttpResult::TimedOut
                                                         : HttpResult::Failed;
        }
        if (available == 0) break;
        DWORD got = 0;
        if (!::InternetReadFile(request, buffer,
                                available < sizeof buffer ? available : sizeof buffer, &got)) {
            return ranOutOfTime(start, readMilliseconds) ? HttpResult::TimedOut
                                                         : HttpResult::Failed;
        }
        if (got == 0) break;
        received += got;
        if (!receiver.onData(buffer, got)) return HttpResult::Stopped;
    }
    // WinINet reports a connection closed early as the body's end.
    return announced && received < *announced ? HttpResult::Failed : HttpResult::Completed;
}

// The parts of url that a request is made of; false when it is no http or https address.
struct UrlParts {
    std::string host, path; // the path with its query
    INTERNET_PORT port = 0;
    bool secure = false;
};

bool crackUrl(const std::string& url, UrlParts& parts) {
    URL_COMPONENTSA components{};
    components.dwStructSize = sizeof components;
    // Lengths without buffers: the parts are pointed to inside url, whatever its length.
    components.dwHostNameLength = components.dwUrlPathLength = components.dwExtraInfoLength = 1;
    if (!::InternetCrackUrlA(url.c_str(), static_cast<DWORD>(url.size()), 0, &components))
        return false;
    if (components.nScheme != INTERNET_SCHEME_HTTP && components.nScheme != INTERNET_SCHEME_HTTPS)
        return false;
    parts.host.assign(components.lpszHostName, components.dwHostNameLength);
    parts.path.assign(components.lpszUrlPath, components.dwUrlPathLength);
    parts.path.append(components.lpszExtraInfo, components.dwExtraInfoLength);
    parts.port = components.nPort;
    parts.secure = components.nScheme == INTERNET_SCHEME_HTTPS;
    return !parts.host.empty();
}

// InternetConnect and HttpOpenRequest, not InternetOpenUrl: only a request handle made before
// it is sent takes the time-outs that bound the wait for the response (Wine gives the handles
// that InternetOpenUrl makes none).
class WinInetSession final : public HttpSession {
public:
    explicit WinInetSession(HINTERNET internet)
        : internet_(internet) {}

    HttpResult get(const std::string& url, const std::string& header, const HttpTimeouts& timeouts,
                   HttpReceiver& receiver) override {
        UrlParts parts;
        if (!crackUrl(url, parts)) return HttpResult::CannotOpen;
        const InternetHandle connection(::InternetConnectA(internet_.get(), parts.host.c_str(),
                                                           parts.port, nullptr, nullptr,
                                                           INTERNET_SERVICE_HTTP, 0, 0));
        if (!connection.get()) return HttpResult::CannotOpen;
        // No cache, no cookie store of the user's, and never a dialog in the speaking application.
        const DWORD flags = INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_RELOAD |
                            INTERNET_FLAG_NO_UI | INTERNET_FLAG_NO_COOKIES |
                            INTERNET_FLAG_KEEP_CONNECTION |
                            (parts.secure ? INTERNET_FLAG_SECURE : 0);
        const InternetHandle request(::HttpOpenRequestA(connection.get(), "GET", parts.path.c_str(),
                                                        nullptr, nullptr, nullptr, flags, 0));
        if (!request.get()) return HttpResult::CannotOpen;
        // Until the headers are in, every wait is bounded by the connect time-out.
        setTimeout(request.get(), INTERNET_OPTION_CONNECT_TIMEOUT, timeouts.connectMilliseconds);
        setTimeout(request.get(), INTERNET_OPTION_SEND_TIMEOUT, timeouts.connectMilliseconds);
        setTimeout(request.get(), INTERNET_OPTION_RECEIVE_TIMEOUT, timeouts.connectMilliseconds);
        const std::string headers = header.empty() ? std::string() : header + "\r\n";
        const DWORD start = ::GetTickCount();
        if (!::HttpSendRequestA(request.get(), headers.empty() ? nullptr : headers.c_str(),
                                static_cast<DWORD>(headers.size()), nullptr, 0)) {
            return ranOutOfTime(start, timeouts.connectMilliseconds) ? HttpResult::TimedOut
                                                                     : HttpResult::CannotOpen;
        }
        // Wine keeps the socket's first time-out for the body; Windows takes this one.
        setTimeout(request.get(), INTERNET_OPTION_RECEIVE_TIMEOUT, timeouts.readMilliseconds);
        const auto type = headerValue(request.get(), HTTP_QUERY_CONTENT_TYPE);
        if (!receiver.onContentType(type ? std::optional<std::string>(toUtf8(*type))
                                         : std::nullopt)) {
            return HttpResult::Stopped;
        }
        return readBody(request.get(), timeouts.readMilliseconds, receiver);
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
