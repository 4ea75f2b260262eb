#include "modules/OnlineModule.h"

#include "config/TextUtil.h"
#include "modules/OnlineRequest.h"
#include "platform/CodePage.h"
#include "platform/Log.h"
#include "platform/Utf.h"

namespace vx {
namespace {

// The user agent the services have always been sent.
constexpr char kUserAgent[] = "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1; SV1) ; FDM;";
constexpr char kRequestHeader[] = "Content-Type: text/plain; charset=utf-8";

} // namespace

// Checks the response's content type, then hands its pieces to the module while it wants them.
class OnlineModule::Receiver : public platform::HttpReceiver {
public:
    explicit Receiver(OnlineModule& module) : module_(module) {}

    bool onContentType(const std::optional<std::string>& value) override {
        if (!value) {
            Log::Write(u"* Error: the 'Content-Type' header isn't available.");
            return false;
        }
        const std::u16string type = fromUtf8(*value);
        if (type != module_.contentType) {
            Log::Write(module_.messages_.incorrectContent, type);
            return false;
        }
        writing_ = module_.beginResponse();
        return writing_;
    }

    bool onData(const unsigned char* data, std::size_t size) override {
        return !module_.aborted_ && module_.writePiece(data, static_cast<std::uint32_t>(size)) != 1 &&
               !module_.aborted_;
    }

    // Whether the module took the response: its content type was right and it began it.
    bool writing() const { return writing_; }

private:
    OnlineModule& module_;
    bool writing_ = false;
};

bool OnlineModule::ReadSetting(const std::u16string& key, const std::u16string& value) {
    if (key == u"request") {
        requestTemplate_ = value;
    } else if (key == u"timeout") {
        const auto milliseconds = static_cast<std::uint32_t>(std::max(TextUtil::toInt(value), 1));
        timeouts_ = {milliseconds, milliseconds};
    } else if (key != u"bom") {
        return SpeechModule::ReadSetting(key, value);
    }
    return true;
}

bool OnlineModule::Load() {
    if (!SpeechModule::Load()) {
        return false;
    }
    session_ = platform::HttpSession::open(kUserAgent);
    return session_ != nullptr;
}

bool OnlineModule::Stop() {
    aborted_ = true;
    return true;
}

// The template is filled twice: first with the module's own arguments, then with the text, which
// is always percent-encoded (raw, a space would end the address and "&" or "#" change its query).
std::string OnlineModule::address(const TextPortion& text) const {
    const std::string filled = ToUtf8(fillPlaceholders<char16_t>(requestTemplate_, requestArguments()));
    const std::string encoded = UrlEncodeUtf8(ToUtf8(text), subname == u"ru");
    return fillPlaceholders<char>(filled, {encoded});
}

bool OnlineModule::Speak(const TextPortion& text) {
    aborted_ = false;
    if (!session_ && !Load()) {
        return false;
    }
    beforeRequest();
    Receiver receiver(*this);
    const platform::HttpResult result = session_->get(address(text), kRequestHeader, timeouts_, receiver);
    // A response accepted but not taken (a language without its format) said nothing either.
    const bool said = receiver.writing() && endResponse();
    switch (result) {
    case platform::HttpResult::Completed:
    case platform::HttpResult::Stopped:
        return said;
    case platform::HttpResult::CannotOpen:
        Log::Write(messages_.cannotOpen);
        return false;
    case platform::HttpResult::TimedOut:
        Log::Write(u"* Error: %s did not answer within %u ms.", messages_.service, timeouts_.readMilliseconds);
        return false;
    case platform::HttpResult::Failed:
        // What arrived has been spoken; the rest of the portion is lost.
        Log::Write(u"* Error: the answer of %s broke off.", messages_.service);
        return said;
    }
    return false;
}

} // namespace vx
