#pragma once
// The process-wide diagnostic log: "vxtts.log" in the temporary folder, UTF-16LE without a
// byte-order mark, one message per line ended by a single line feed, flushed per line. Writing
// while the log is closed does nothing, and nothing the log does can make anything else fail.

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <type_traits>

namespace vx {

// One argument of a log message, captured by type so that a wrong argument can never read
// stray memory the way a mismatched printf argument would.
class LogArg {
public:
    enum class Kind { Text, Pointer, Signed, Unsigned };

    LogArg(std::u16string_view text) : kind_(Kind::Text), text_(text) {}
    LogArg(const std::u16string& text) : kind_(Kind::Text), text_(text) {}
    // A null string is written as "(null)", as the C runtime's printf does.
    LogArg(const char16_t* text) : kind_(Kind::Text), text_(text ? text : u"(null)") {}
    LogArg(std::nullptr_t) : kind_(Kind::Pointer) {}
    template <class T>
    LogArg(const T* pointer) : kind_(Kind::Pointer), number_(reinterpret_cast<std::uintptr_t>(pointer)) {}
    template <class T>
        requires std::is_integral_v<T>
    LogArg(T value)
        : kind_(std::is_signed_v<T> ? Kind::Signed : Kind::Unsigned)
        , number_(static_cast<std::uint64_t>(value))
        , bytes_(sizeof(T)) {}

    Kind kind() const { return kind_; }
    std::u16string_view text() const { return text_; }
    std::uint64_t bits() const { return number_; }
    int bytes() const { return bytes_; }

private:
    Kind kind_;
    std::u16string_view text_;
    std::uint64_t number_ = 0;
    int bytes_ = sizeof(void*);
};

// The text that the C runtime's wide printf gives for the conversions that log messages use:
// "%s" (text), "%p" (a pointer as upper-case hexadecimal, zero-padded to the pointer's width, as
// the Windows runtime writes it, so that logs read alike on every build), "%d", "%u" and "%%".
// Any other directive, and one without an argument left, is copied as it stands; surplus
// arguments are ignored.
std::u16string formatLogMessage(std::u16string_view format, std::initializer_list<LogArg> args);

class Log {
public:
    // Opens the log file of the given name in the log folder (platform::logFolder), once per process: when a log
    // is already open this returns true and keeps it. False for an empty name or when the file
    // cannot be opened; a later call tries again.
    static bool Open(std::u16string_view fileName);
    // Where Open puts the log file of the given name; empty when there is no log folder.
    static std::u16string Path(std::u16string_view fileName);

    // Appends one formatted message and a line feed, under the log's lock so that lines of
    // different threads never interleave. False when the log is not open or the format is empty.
    template <class... Args>
    static bool Write(std::u16string_view format, const Args&... args) {
        return writeMessage(format, {LogArg(args)...});
    }

private:
    static bool writeMessage(std::u16string_view format, std::initializer_list<LogArg> args);
};

} // namespace vx
