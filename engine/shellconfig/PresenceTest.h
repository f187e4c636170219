#pragma once

#include <QString>

namespace varnel {

// How an append decides that its setting is already in a shell file. The
// needles are plain ASCII, so a file that is not valid UTF-8 is tested on its
// lenient decoding without any risk of a false match.
struct PresenceTest {
    enum class Rule {
        anywhere,             // the needle occurs anywhere, comment lines included
        inNonCommentLine,     // some line, trimmed, not starting with "#", contains the needle
        atNonCommentLineStart // some line, trimmed, not starting with "#", starts with the needle
    };

    Rule rule = Rule::anywhere;
    QString needle;

    static PresenceTest anywhere(QString needle) { return {Rule::anywhere, std::move(needle)}; }
    static PresenceTest inNonCommentLine(QString needle) { return {Rule::inNonCommentLine, std::move(needle)}; }
    static PresenceTest atNonCommentLineStart(QString needle)
    {
        return {Rule::atNonCommentLineStart, std::move(needle)};
    }

    bool isSatisfiedBy(const QString& contents) const;
    bool operator==(const PresenceTest&) const = default;
};

}  // namespace varnel
