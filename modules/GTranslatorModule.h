#pragma once
// Module kind "gtranslator": a translation service's speech endpoint, which answers with MP3 of
// the text in the language "subname" names ("ru" or "en"). The MP3 of a response is decoded as one
// stream while it arrives, to the native format ("samplerate", 22050 Hz by default) and then to
// the output format.

#include "modules/OnlineModule.h"

namespace vx {

class GTranslatorModule : public OnlineModule {
public:
    GTranslatorModule();
    // "samplerate": the native format becomes 16-bit mono PCM at that rate; then the online keys.
    bool ReadSetting(const std::u16string& key, const std::u16string& value) override;
    // "convert" has no effect: the module always converts to the output format.
    bool SetConversion(const std::u16string&) override { return true; }

private:
    std::vector<std::u16string> requestArguments() const override { return {subname, u"%s"}; }
    void beforeRequest() override;
    bool beginResponse() override;
    std::int32_t writePiece(const unsigned char* data, std::uint32_t size) override;
    bool endResponse() override;
    // Decoded audio in the native format, converted to the output format when they differ.
    std::int32_t writeDecoded(const std::vector<unsigned char>& audio);
    // Audio in the output format to the sink, at the module's volume.
    std::int32_t writeOutput(const std::vector<unsigned char>& audio);

    std::unique_ptr<AudioConverter> decoder_;   // MP3 to the native format
    std::unique_ptr<AudioConverter> converter_; // native to output, when they differ
    std::vector<unsigned char> decoded_, converted_, scaled_;
    std::uint64_t bytesIn_ = 0, bytesOut_ = 0; // of the response's MP3, and of its audio written
    bool refusalLogged_ = false;               // why nothing can be spoken, said once
};

} // namespace vx
