#include "engine/services/ProcessLineSplitter.h"

#include <cstring>

namespace varnel {

ProcessLineSplitter::ProcessLineSplitter(LineSink sink) : sink_(std::move(sink)) {}

void ProcessLineSplitter::feed(const char* data, std::size_t size)
{
    const char* p = data;
    const char* const end = data + size;
    if (skipLineFeed_ && p < end) {
        if (*p == '\n')
            ++p;
        skipLineFeed_ = false;
    }
    while (p < end) {
        // memchr twice (for "\n", then for "\r" before it) stays far faster than
        // a byte loop on the megabytes an installer can print.
        const auto* lineFeed = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)));
        const char* limit = lineFeed ? lineFeed : end;
        const auto* carriageReturn = static_cast<const char*>(std::memchr(p, '\r', static_cast<std::size_t>(limit - p)));
        const char* terminator = carriageReturn ? carriageReturn : lineFeed;
        if (!terminator) {
            pending_.append(p, static_cast<std::size_t>(end - p));
            flushOverlongLine();
            return;
        }
        deliver(p, static_cast<std::size_t>(terminator - p));
        p = terminator + 1;
        if (*terminator == '\r') {
            if (p == end)
                skipLineFeed_ = true;
            else if (*p == '\n')
                ++p;
        }
    }
}

void ProcessLineSplitter::flushOverlongLine()
{
    // A program that never ends its line (binary output, a backspace progress
    // meter) must not grow this buffer without bound: past the limit, what has
    // come so far arrives as lines of at most the limit, each cut where no
    // UTF-8 character is split.
    while (pending_.size() >= kMaximumLineBytes) {
        std::size_t cut = kMaximumLineBytes;
        while (cut > 0 && (static_cast<unsigned char>(pending_[cut]) & 0xC0) == 0x80)
            --cut;  // pending_[cut] continues a character: start the next piece at its lead byte
        if (cut == 0)
            cut = kMaximumLineBytes;  // not UTF-8 at all; any cut will do
        sink_(QString::fromUtf8(pending_.data(), static_cast<qsizetype>(cut)));
        pending_.erase(0, cut);
    }
}

void ProcessLineSplitter::finish()
{
    if (!pending_.empty()) {
        sink_(QString::fromUtf8(pending_.data(), static_cast<qsizetype>(pending_.size())));
        pending_.clear();
    }
    skipLineFeed_ = false;
}

void ProcessLineSplitter::deliver(const char* data, std::size_t size)
{
    if (pending_.empty()) {
        sink_(QString::fromUtf8(data, static_cast<qsizetype>(size)));
        return;
    }
    pending_.append(data, size);
    sink_(QString::fromUtf8(pending_.data(), static_cast<qsizetype>(pending_.size())));
    pending_.clear();
}

}  // namespace varnel
