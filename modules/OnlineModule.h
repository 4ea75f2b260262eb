#pragma once
// What the two online module kinds share: a portion's text goes to a web service in the query of
// an HTTP GET built from the "request" template of engines.conf, and the audio of the response is
// written to the sink piece by piece as it arrives, so that speech starts before the response has
// ended. One HTTP session per instance, opened at Load.

#include "modules/SpeechModule.h"
#include "platform/Http.h"

#include <vector>

namespace vx {

class OnlineModule : public SpeechModule {
public:
    // Fetches and writes one portion. False, with a log line, when the request cannot be made,
    // the service does not answer in time, or the response is not of the expected content type.
    bool Speak(const TextPortion& text) override;
    // The response being read is left after its current piece.
    bool Stop() override;
    void Resume() override {}
    // "request" (the address template), "bom" (accepted, no effect) and "timeout" (milliseconds
    // to wait for an answer and for each piece of it), then the common keys.
    bool ReadSetting(const std::u16string& key, const std::u16string& value) override;
    // The base Load, then the HTTP session; false when either fails.
    bool Load() override;

protected:
    // How the kind names itself in the log.
    struct Messages {
        const char16_t* cannotOpen;       // the request could not be made
        const char16_t* incorrectContent; // with %s for the received type
        const char16_t* service;          // in the time-out and broken-response lines
    };
    explicit OnlineModule(Messages messages) : messages_(messages) {}

    // The template's arguments before the text is known; an argument "%s" stays the text's
    // placeholder.
    virtual std::vector<std::u16string> requestArguments() const = 0;
    // Called before the request; what a service needs between requests.
    virtual void beforeRequest() {}
    // A response of the right type starts; false: nothing of it can be written (it is not read).
    virtual bool beginResponse() = 0;
    // Writes a piece of the response; 1 ends the reading.
    virtual std::int32_t writePiece(const unsigned char* data, std::uint32_t size) = 0;
    // The response has ended (completely or not): what is still held back is written. False when
    // audio came in and none went out (it could not be decoded or converted): nothing was said.
    virtual bool endResponse() = 0;

    bool aborted() const { return aborted_; }

private:
    class Receiver;
    std::string address(const TextPortion& text) const;

    Messages messages_;
    bool aborted_ = false;
    std::u16string requestTemplate_;
    platform::HttpTimeouts timeouts_;
    std::unique_ptr<platform::HttpSession> session_;
};

} // namespace vx
