#pragma once

#include "engine/services/FileSystemOperating.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace varnel {

// A shell file as it is on disk right now, looked at without ever blocking:
// the item is examined with lstat-like attributes before anything opens it,
// so a named pipe is refused instead of read, and a symbolic link (a dotfiles
// repository, a chain of links) is followed to the file that really holds
// the text, which is where a write must land for the link to survive.
struct ShellFileTarget {
    enum class State { missing, regular, unusable };

    QString path;       // as asked for (~/.zshrc)
    QString writePath;  // where the bytes live: the link's final target, or `path`
    State state = State::missing;
    QByteArray bytes;   // the contents of a regular file, byte for byte
    int posixPermissions = 0;

    // Why the file must not be written: not a regular file, a link that leads
    // nowhere, unreadable, or (when asked for) not writable by this process.
    // The message names the file.
    std::optional<ServiceError> problem;

    // `forWriting` adds the check that this process may replace the file.
    static ShellFileTarget inspect(const FileSystemOperating& fs, const QString& path, bool forWriting);

    bool exists() const { return state != State::missing; }

    // The contents as text. Bytes that are not UTF-8 (a Latin-1 file) become
    // replacement characters here; they are never written back from this text.
    QString text() const { return QString::fromUtf8(bytes); }
};

}  // namespace varnel
