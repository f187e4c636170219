#pragma once

#include <QString>

#include <cstddef>
#include <functional>
#include <string>

namespace varnel {

// Cuts a child's byte stream into lines as it arrives. "\n", "\r\n" and a lone
// "\r" each end a line (progress meters redraw with "\r", and each redraw is
// worth showing), the terminator is dropped, and a last line without one is
// handed over by finish(). Lines are decoded as UTF-8; a stray invalid byte
// becomes U+FFFD rather than costing the reader the whole line.
class ProcessLineSplitter {
public:
    using LineSink = std::function<void(const QString& line)>;

    explicit ProcessLineSplitter(LineSink sink);

    void feed(const char* data, std::size_t size);
    // Delivers the unterminated tail, if any. Call once, after the last feed().
    void finish();

    // The longest line kept whole; longer ones arrive in pieces of this size.
    static constexpr std::size_t kMaximumLineBytes = 64 * 1024;

private:
    void deliver(const char* data, std::size_t size);
    void flushOverlongLine();

    LineSink sink_;
    std::string pending_;       // the start of a line whose terminator has not arrived yet
    bool skipLineFeed_ = false;  // the last chunk ended in "\r"; a "\n" next completes that "\r\n"
};

}  // namespace varnel
