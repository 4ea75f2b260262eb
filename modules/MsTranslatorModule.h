#pragma once
// Module kind "mstranslator": a translation service's speak endpoint, which answers with a WAV
// file of the text in the language "subname" names. The file's header is skipped once, at the
// start of the response; the samples are taken to be in the native format (8000 Hz 8-bit mono,
// or 22050 Hz 16-bit with "convert") and written as they arrive.

#include "modules/OnlineModule.h"

namespace vx {

class MsTranslatorModule : public OnlineModule {
public:
    MsTranslatorModule();
    // "vxtts", or anything but "acm": 22050 Hz 16-bit mono; "acm": to the output format.
    bool SetConversion(const std::u16string& value) override;

    // The application identifier the service requires with every request.
    static constexpr char16_t kApplicationId[] = u"7F3C91D0B25E48A6C13F0E9D24B7A65C81E0F2D9";

private:
    std::vector<std::u16string> requestArguments() const override { return {kApplicationId, u"%s", subname}; }
    bool beginResponse() override;
    std::int32_t writePiece(const unsigned char* data, std::uint32_t size) override;
    bool endResponse() override;
    // Whole frames of samples, at the module's volume, to the sink; a split frame waits in held_.
    std::int32_t writeSamples(const unsigned char* data, std::uint32_t size);

    bool headerSkipped_ = false;
    std::vector<unsigned char> held_; // the header while it arrives, then a split frame
    std::vector<unsigned char> joined_, scaled_;
};

// Where the samples of a WAV file start: after the header of its "data" chunk, found by walking
// the RIFF chunks (a "LIST" or "fact" chunk before it is skipped). 0 for bytes that are not a
// RIFF file; nothing while the header is not complete in bytes.
std::optional<std::size_t> wavSamplesStart(const std::vector<unsigned char>& bytes);

} // namespace vx
