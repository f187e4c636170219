#pragma once

#include <QString>

namespace varnel {

// Text that goes into a shell command line or an AppleScript string literal.
// A path inside a shell command inside an AppleScript string is quoted for the
// shell first and the result escaped for AppleScript.
class ScriptQuoting {
public:
    // One POSIX shell word: the text between single quotes, each ' written as '\''.
    static QString shellQuoted(const QString& text);
    // The inside of an AppleScript "…" literal: backslashes doubled, then each " preceded by a backslash.
    static QString appleScriptEscaped(const QString& text);
};

}  // namespace varnel
