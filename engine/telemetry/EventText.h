#pragma once

#include <QString>

#include <optional>

// Text rules that several usage events share: what leaves the Mac is
// scrubbed of the user's name and kept short.
namespace varnel::events {

// Every "/Users/<login>/" becomes "/Users/~/". An empty login leaves the path as it is.
QString scrubbedHomePath(const QString& path, const QString& loginName);

// The first `limit` characters (what a reader counts as characters: "é" made
// of e and a combining accent, or a flag emoji, is one), or the whole text
// when it is not longer.
QString truncatedToCharacters(const QString& text, int limit);

// The text trimmed of surrounding white space and newlines and cut to `limit`
// characters (no cut when `limit` is 0 or less); absent when nothing is left.
std::optional<QString> trimmedOrNull(const QString& text, int limit);

// The line of `java -version` output that names the version: the first
// non-empty line containing `version "`, else the first non-empty line, cut to
// 200 characters. Empty output gives an empty excerpt.
QString javaVersionExcerpt(const QString& output);

// The login name of the user running the assistant.
QString currentLoginName();

}  // namespace varnel::events
