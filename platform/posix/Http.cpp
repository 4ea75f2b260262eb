#include "platform/Http.h"

#include "platform/Clock.h"

#include <algorithm>
#include <charconv>
#include <curl/curl.h>
#include <exception>
#include <string_view>

namespace vx::platform {

namespace {

// libcurl's process-wide set-up, made once by whichever thread opens the first session. It is
// never undone: the library may be unloaded while another part of the process still uses libcurl.
bool curlReady() {
    static const bool ready = ::curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    return ready;
}

bool startsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() &&
           std::equal(prefix.begin(), prefix.end(), text.begin(), [](char a, char b) {
               return (a >= 'A' && a <= 'Z' ? a + ('a' - 'A') : a) ==
                      (b >= 'A' && b <= 'Z' ? b + ('a' - 'A') : b);
           });
}

std::string_view trimmed(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    return text;
}

// The state of one request, shared with libcurl's callbacks. Its clock runs only while libcurl
// waits: the time a receiver takes (playing audio, say) never counts as the server's silence.
class Transfer {
public:
    Transfer(HttpReceiver& receiver, const HttpTimeouts& timeouts)
        : receiver_(receiver)
        , timeouts_(timeouts)
        , since_(tickCount()) {}

    // One line of a header block, CRLF included; false ends the request.
    bool onHeaderLine(std::string_view line) {
        if (delivered_) return true; // trailers after a chunked body
        if (startsWithNoCase(line, "HTTP/")) {
            const auto code = line.substr(std::min(line.find(' '), line.size()));
            status_ = 0;
            std::from_chars(code.data() + (code.empty() ? 0 : 1), code.data() + code.size(),
                            status_);
            contentType_.reset();
            redirected_ = false;
        } else if (startsWithNoCase(line, "Content-Type:") && !contentType_) {
            contentType_ = std::string(trimmed(line.substr(13)));
        } else if (startsWithNoCase(line, "Location:")) {
            redirected_ = status_ >= 300 && status_ < 400;
        } else if (trimmed(line).empty() && isFinalResponse()) {
            return deliverContentType();
        }
        return true;
    }

    bool onBody(const unsigned char* data, std::size_t size) {
        if (!delivered_ && !deliverContentType()) return false;
        while (size > 0) {
            const std::size_t piece = std::min(size, kHttpChunk);
            if (!call([&] { return receiver_.onData(data, piece); })) return false;
            data += piece;
            size -= piece;
        }
        return true;
    }

    // How long libcurl may still wait for the server; 0 once the wait has lasted too long.
    int millisecondsLeft() const {
        const std::uint32_t limit =
            delivered_ ? timeouts_.readMilliseconds : timeouts_.connectMilliseconds;
        const std::uint32_t waited = tickCount() - since_;
        return waited >= limit ? 0
                               : static_cast<int>(std::min<std::uint32_t>(limit - waited, 1000000));
    }

    HttpResult result(CURLcode code, bool timedOut) const {
        if (stopped_) return HttpResult::Stopped;
        if (timedOut || code == CURLE_OPERATION_TIMEDOUT) return HttpResult::TimedOut;
        if (code == CURLE_OK) return HttpResult::Completed;
        return delivered_ ? HttpResult::Failed : HttpResult::CannotOpen;
    }

    void rethrowReceiverException() const {
        if (exception_) std::rethrow_exception(exception_);
    }

private:
    // Interim (1xx) responses and redirects that libcurl follows are not the response.
    bool isFinalResponse() const { return status_ >= 200 && !redirected_; }

    bool deliverContentType() {
        delivered_ = true;
        return call([&] { return receiver_.onContentType(contentType_); });
    }

    // Calls the receiver; false (and the request ends) when it says so or throws, whose exception
    // get() passes on once libcurl is out of the way.
    template <class Call> bool call(const Call& receive) {
        bool more = false;
        try {
            more = receive();
        } catch (...) {
            exception_ = std::current_exception();
        }
        since_ = tickCount();
        stopped_ = !more;
        return more;
    }

    HttpReceiver& receiver_;
    HttpTimeouts timeouts_;
    std::uint32_t since_; // the request's start, then the end of the receiver's last call
    int status_ = 0;
    std::optional<std::string> contentType_;
    bool redirected_ = false;
    bool delivered_ = false; // the final response's content type was handed over
    bool stopped_ = false;
    std::exception_ptr exception_;
};

extern "C" std::size_t onCurlHeader(char* line, std::size_t size, std::size_t count,
                                    void* transfer) {
    return static_cast<Transfer*>(transfer)->onHeaderLine({line, size * count}) ? size * count : 0;
}

extern "C" std::size_t onCurlBody(char* data, std::size_t size, std::size_t count, void* transfer) {
    return static_cast<Transfer*>(transfer)->onBody(reinterpret_cast<unsigned char*>(data),
                                                    size * count)
               ? size * count
               : 0;
}

struct SlistFree {
    void operator()(curl_slist* list) const { ::curl_slist_free_all(list); }
};

// One easy handle driven through a multi handle of its own: the multi handle keeps the open
// connections between requests (keep-alive), and waiting in our own loop lets the time-outs be
// measured in milliseconds, not in libcurl's whole seconds of low speed.
class CurlSession final : public HttpSession {
public:
    CurlSession(CURL* easy, CURLM* multi, std::string userAgent)
        : easy_(easy)
        , multi_(multi)
        , userAgent_(std::move(userAgent)) {}
    ~CurlSession() override {
        ::curl_multi_cleanup(multi_);
        ::curl_easy_cleanup(easy_);
    }
    CurlSession(const CurlSession&) = delete;
    CurlSession& operator=(const CurlSession&) = delete;

    HttpResult get(const std::string& url, const std::string& header, const HttpTimeouts& timeouts,
                   HttpReceiver& receiver) override {
        Transfer transfer(receiver, timeouts);
        const std::unique_ptr<curl_slist, SlistFree> headers(
            header.empty() ? nullptr : ::curl_slist_append(nullptr, header.c_str()));
        prepare(url, headers.get(), timeouts, transfer);
        bool timedOut = false;
        CURLcode code = CURLE_FAILED_INIT;
        if (::curl_multi_add_handle(multi_, easy_) == CURLM_OK) {
            code = run(transfer, timedOut);
            ::curl_multi_remove_handle(multi_, easy_);
        }
        ::curl_easy_setopt(easy_, CURLOPT_HTTPHEADER, nullptr);
        transfer.rethrowReceiverException();
        return transfer.result(code, timedOut);
    }

private:
    void prepare(const std::string& url, curl_slist* headers, const HttpTimeouts& timeouts,
                 Transfer& transfer) {
        ::curl_easy_setopt(easy_, CURLOPT_URL, url.c_str());
        ::curl_easy_setopt(easy_, CURLOPT_HTTPGET, 1L);
        ::curl_easy_setopt(easy_, CURLOPT_USERAGENT, userAgent_.c_str());
        ::curl_easy_setopt(easy_, CURLOPT_HTTPHEADER, headers);
        // The address comes from a configuration file: never a local file or another protocol.
        ::curl_easy_setopt(easy_, CURLOPT_PROTOCOLS_STR, "http,https");
        ::curl_easy_setopt(easy_, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
        ::curl_easy_setopt(easy_, CURLOPT_FOLLOWLOCATION, 1L); // as WinINet does
        ::curl_easy_setopt(easy_, CURLOPT_MAXREDIRS, 5L);
        ::curl_easy_setopt(easy_, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
        ::curl_easy_setopt(easy_, CURLOPT_NOSIGNAL, 1L); // a library in someone else's process
        ::curl_easy_setopt(easy_, CURLOPT_CONNECTTIMEOUT_MS,
                           static_cast<long>(timeouts.connectMilliseconds));
        ::curl_easy_setopt(easy_, CURLOPT_HEADERFUNCTION, onCurlHeader);
        ::curl_easy_setopt(easy_, CURLOPT_HEADERDATA, &transfer);
        ::curl_easy_setopt(easy_, CURLOPT_WRITEFUNCTION, onCurlBody);
        ::curl_easy_setopt(easy_, CURLOPT_WRITEDATA, &transfer);
    }

    // Runs the transfer to its end; timedOut when the server was silent for too long.
    CURLcode run(const Transfer& transfer, bool& timedOut) {
        for (;;) {
            int running = 0;
            if (::curl_multi_perform(multi_, &running) != CURLM_OK) return CURLE_FAILED_INIT;
            if (running == 0) break;
            const int wait = transfer.millisecondsLeft();
            if (wait == 0) {
                timedOut = true;
                return CURLE_OPERATION_TIMEDOUT;
            }
            if (::curl_multi_poll(multi_, nullptr, 0, wait, nullptr) != CURLM_OK)
                return CURLE_FAILED_INIT;
        }
        int queued = 0;
        while (const CURLMsg* message = ::curl_multi_info_read(multi_, &queued)) {
            if (message->msg == CURLMSG_DONE) return message->data.result;
        }
        return CURLE_FAILED_INIT;
    }

    CURL* easy_;
    CURLM* multi_;
    std::string userAgent_;
};

} // namespace

std::unique_ptr<HttpSession> HttpSession::open(const std::string& userAgent) {
    if (!curlReady()) return nullptr;
    CURL* easy = ::curl_easy_init();
    CURLM* multi = ::curl_multi_init();
    if (!easy || !multi) {
        ::curl_multi_cleanup(multi);
        ::curl_easy_cleanup(easy);
        return nullptr;
    }
    return std::make_unique<CurlSession>(easy, multi, userAgent);
}

} // namespace vx::platform
