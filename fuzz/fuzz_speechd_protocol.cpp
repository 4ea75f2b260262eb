// The Speech Dispatcher module's protocol reader, and the SSML reader on the texts it reads, on any
// command stream (the first byte sets how the rest is cut into reads): never anything worse than
// a request that says what is wrong, the requests the same however the stream is cut, every
// opened block completed before the next command, and SSML read into marks and text that is
// not blank.

#include "fuzz/FuzzSupport.h"
#include "speechd/ModuleProtocol.h"
#include "speechd/Ssml.h"

#include <string>
#include <string_view>
#include <vector>

namespace {

using namespace vx::speechd;

// Each request read from input fed in pieces of size bytes, as one string.
std::vector<std::string> read(std::string_view input, std::size_t size, std::vector<Request>* requests = nullptr) {
    ProtocolReader reader;
    std::vector<std::string> read;
    for (std::size_t at = 0; at < input.size(); at += size) {
        reader.feed(input.substr(at, size));
        while (std::optional<Request> request = reader.next()) {
            std::string line = std::to_string(static_cast<int>(request->kind)) + (request->opening ? "o" : "c") + "|" +
                               request->text + "|" + std::to_string(request->lines) + "|" + request->problem + "|" +
                               request->line;
            for (const auto& [name, value] : request->settings) line += "|" + name + "=" + value;
            read.push_back(std::move(line));
            if (requests) requests->push_back(std::move(*request));
        }
    }
    return read;
}

bool blank(const std::u16string& text) {
    return text.find_first_not_of(u" \t\r\n") == std::u16string::npos;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::size_t piece = data[0] % 16 + 1;
    const std::string_view input(reinterpret_cast<const char*>(data) + 1, size - 1);
    std::vector<Request> requests;
    VX_FUZZ_CHECK(read(input, input.size() + 1, &requests) == read(input, piece));
    const Request* open = nullptr;
    for (const Request& request : requests) {
        VX_FUZZ_CHECK(!open || (!request.opening && request.kind == open->kind));
        open = request.opening ? &request : nullptr;
        VX_FUZZ_CHECK(request.text.size() <= ProtocolReader::kMaxTextBytes);
        VX_FUZZ_CHECK(request.settings.empty() || (request.kind != Request::Kind::Speak && !request.opening));
        if (request.kind == Request::Kind::Speak && !request.opening) {
            for (const SsmlPiece& ssml : readSsml(request.text))
                VX_FUZZ_CHECK(ssml.kind == SsmlPiece::Kind::Mark || !blank(ssml.text));
        }
    }
    return 0;
}
