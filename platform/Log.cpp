#include "platform/Log.h"

#include "platform/Files.h"
#include "platform/Lock.h"
#include "platform/LogFile.h"

#include <mutex>
#include <vector>

namespace vx {
namespace {

struct LogState {
    platform::Lock lock;
    platform::LogFile file;
};

// Never destroyed: a line written while other static objects are torn down at exit must still
// find a valid lock.
LogState& state() {
    static LogState* const instance = new LogState;
    return *instance;
}

void appendDecimal(std::u16string& out, std::uint64_t value, bool negative) {
    char16_t digits[20];
    int count = 0;
    do {
        digits[count++] = static_cast<char16_t>(u'0' + value % 10);
        value /= 10;
    } while (value != 0);
    if (negative) {
        out += u'-';
    }
    while (count > 0) {
        out += digits[--count];
    }
}

void appendSigned(std::u16string& out, const LogArg& arg) {
    // Sign-extend from the argument's own width, as printf reads an int.
    const int shift = 64 - 8 * arg.bytes();
    const auto value = static_cast<std::int64_t>(arg.bits() << shift) >> shift;
    const bool negative = value < 0;
    appendDecimal(out, negative ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value),
                  negative);
}

void appendUnsigned(std::u16string& out, const LogArg& arg) {
    const std::uint64_t mask = arg.bytes() >= 8 ? ~std::uint64_t{0} : (std::uint64_t{1} << (8 * arg.bytes())) - 1;
    appendDecimal(out, arg.bits() & mask, false);
}

void appendPointer(std::u16string& out, std::uint64_t value) {
    static constexpr char16_t kHex[] = u"0123456789ABCDEF";
    for (int shift = 8 * static_cast<int>(sizeof(void*)) - 4; shift >= 0; shift -= 4) {
        out += kHex[(value >> shift) & 0xF];
    }
}

void appendArgument(std::u16string& out, char16_t conversion, const LogArg& arg) {
    switch (arg.kind()) {
    case LogArg::Kind::Text:
        out += arg.text();
        break;
    case LogArg::Kind::Pointer:
        appendPointer(out, arg.bits());
        break;
    case LogArg::Kind::Signed:
    case LogArg::Kind::Unsigned:
        if (conversion == u'p') {
            appendPointer(out, arg.bits());
        } else if (conversion == u'u' || (conversion != u'd' && arg.kind() == LogArg::Kind::Unsigned)) {
            appendUnsigned(out, arg);
        } else {
            appendSigned(out, arg);
        }
        break;
    }
}

bool isConversion(char16_t c) { return c == u's' || c == u'p' || c == u'd' || c == u'u'; }

} // namespace

std::u16string formatLogMessage(std::u16string_view format, std::initializer_list<LogArg> args) {
    std::u16string out;
    out.reserve(format.size() + 16 * args.size());
    const LogArg* next = args.begin();
    for (std::size_t i = 0; i < format.size(); ++i) {
        const char16_t c = format[i];
        const char16_t conversion = i + 1 < format.size() ? format[i + 1] : u'\0';
        if (c != u'%') {
            out += c;
        } else if (conversion == u'%') {
            out += u'%';
            ++i;
        } else if (isConversion(conversion) && next != args.end()) {
            appendArgument(out, conversion, *next++);
            ++i;
        } else {
            out += c;
        }
    }
    return out;
}

bool Log::Open(std::u16string_view fileName) {
    if (fileName.empty()) {
        return false;
    }
    LogState& log = state();
    std::lock_guard guard(log.lock);
    if (log.file.isOpen()) {
        return true;
    }
    const std::u16string path = Path(fileName);
    return !path.empty() && log.file.open(path);
}

std::u16string Log::Path(std::u16string_view fileName) {
    const std::u16string folder = platform::logFolder();
    return folder.empty() ? std::u16string() : platform::joinPath(folder, fileName);
}

bool Log::writeMessage(std::u16string_view format, std::initializer_list<LogArg> args) {
    if (format.empty()) {
        return false;
    }
    LogState& log = state();
    std::lock_guard guard(log.lock);
    if (!log.file.isOpen()) {
        return false;
    }
    const std::u16string line = formatLogMessage(format, args) + u'\n';
    std::vector<unsigned char> bytes;
    bytes.reserve(2 * line.size());
    for (const char16_t c : line) {
        bytes.push_back(static_cast<unsigned char>(c & 0xFF));
        bytes.push_back(static_cast<unsigned char>(c >> 8));
    }
    // A failed write is not reported: the log never makes its caller fail.
    log.file.append(bytes.data(), bytes.size());
    return true;
}

} // namespace vx
