#pragma once

#include "engine/services/Expected.h"
#include "engine/services/ServiceError.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>

#include <optional>

namespace varnel {

// What attributesOfItem() reports. The item itself is described (a symbolic
// link is reported as a link, not as what it points to); `resolvedPath` is the
// canonical path of the final target for links, empty when the link dangles or loops.
struct FileAttributes {
    enum class Type { regular, directory, symbolicLink, fifo, socket, other };
    Type type = Type::regular;
    qint64 size = 0;
    QDateTime modificationDate;
    int posixPermissions = 0;  // e.g. 0600
    QString resolvedPath;
};

enum class DirectoryLocation { caches, applicationSupport };

// Every touch of the file system goes through this interface. All paths are
// absolute. Failing operations return the platform's error as a value whose
// message a user can read.
class FileSystemOperating {
public:
    virtual ~FileSystemOperating() = default;

    /* 1 */ virtual bool fileExists(const QString& path) const = 0;
    /* 2 */ virtual bool fileExists(const QString& path, bool* isDirectory) const = 0;
    /* 3 */ virtual bool isExecutableFile(const QString& path) const = 0;
    /* 4 */ virtual Expected<QByteArray, ServiceError> contents(const QString& path) const = 0;
    /* 5 */ virtual Expected<Done, ServiceError> writeData(const QByteArray& data, const QString& path,
                                                           bool atomically) const = 0;
    /* 6 */ virtual QString temporaryDirectory() const = 0;
    /* 7 */ virtual Expected<QString, ServiceError> directory(DirectoryLocation location,
                                                              bool create) const = 0;
    /* 8 */ virtual Expected<QStringList, ServiceError> contentsOfDirectory(const QString& path) const = 0;
    /* 9 */ virtual Expected<Done, ServiceError> createDirectory(const QString& path,
                                                                 bool withIntermediateDirectories) const = 0;
    /* 10 */ virtual Expected<Done, ServiceError> removeItem(const QString& path) const = 0;
    /* 11 */ virtual QString homeDirectory() const = 0;
    /* 12 */ virtual Expected<Done, ServiceError> moveItem(const QString& from, const QString& to) const = 0;
    /* 13 */ virtual Expected<Done, ServiceError> writeText(const QString& text, const QString& path,
                                                            bool atomically) const = 0;
    /* 14 */ virtual Expected<FileAttributes, ServiceError> attributesOfItem(const QString& path) const = 0;
    /* 15 */ virtual Expected<Done, ServiceError> setPosixPermissions(int permissions,
                                                                      const QString& path) const = 0;
    // Copies a file or a folder tree; a symbolic link is copied as a link,
    // never followed. Fails when `to` exists.
    /* 16 */ virtual Expected<Done, ServiceError> copyItem(const QString& from, const QString& to) const = 0;
    // Makes a new regular file at `path` holding `data`, with exactly
    // `permissions` before the first byte is written. Fails with EEXIST when
    // anything is at `path` already, a symbolic link included: nothing is
    // followed or replaced. A failed creation leaves no file behind.
    /* 17 */ virtual Expected<Done, ServiceError> createFile(const QByteArray& data, const QString& path,
                                                            int permissions) const = 0;

    // Bytes available to the user on the volume holding `path`; absent when
    // it cannot be read.
    virtual std::optional<qint64> availableCapacity(const QString& path) const { return std::nullopt; }

    // Whether this process may write `path`, following symbolic links: an
    // existing file needs write permission itself and, because atomic writes
    // replace it by a rename, in its folder; a missing file needs its folder.
    // The failure carries the system's reason (permission denied, read-only
    // file system). Fakes that model no permissions keep this default.
    virtual Expected<Done, ServiceError> checkWritable(const QString& path) const { return Done{}; }
};

}  // namespace varnel
