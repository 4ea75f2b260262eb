#pragma once
// What an HTTP request handed its receiver: the content type ("(none)" for a response without one,
// "(not called)" before it came), the body and its pieces, and the faults of the order of calls (a
// second content type, a body before it, an empty piece or one larger than kHttpChunk). It stops
// the request at the content type (stopAfter 0) or after that many pieces.

#include "platform/Http.h"

#include <optional>
#include <string>

namespace vx::test {

struct HttpRecording : platform::HttpReceiver {
    int stopAfter = -1, pieces = 0, faults = 0;
    std::string type = "(not called)", body;
    bool onContentType(const std::optional<std::string>& value) override {
        faults += type != "(not called)";
        type = value.value_or("(none)");
        return stopAfter != 0;
    }
    bool onData(const unsigned char* data, std::size_t size) override {
        faults += type == "(not called)" || size == 0 || size > platform::kHttpChunk;
        body.append(reinterpret_cast<const char*>(data), size);
        return ++pieces != stopAfter;
    }
};

} // namespace vx::test
