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
