#pragma once

#include "engine/services/FileSystemOperating.h"

namespace varnel {

// The platform file system. Atomic writes go through QSaveFile (which writes
// to the file a symbolic link points to, so links stay links) and keep the
// existing file's permission bits.
class LiveFileSystem final : public FileSystemOperating {
public:
    bool fileExists(const QString& path) const override;
    bool fileExists(const QString& path, bool* isDirectory) const override;
    bool isExecutableFile(const QString& path) const override;
    Expected<QByteArray, ServiceError> contents(const QString& path) const override;
    Expected<Done, ServiceError> writeData(const QByteArray& data, const QString& path,
                                           bool atomically) const override;
    QString temporaryDirectory() const override;
    Expected<QString, ServiceError> directory(DirectoryLocation location, bool create) const override;
    Expected<QStringList, ServiceError> contentsOfDirectory(const QString& path) const override;
    Expected<Done, ServiceError> createDirectory(const QString& path, bool withIntermediateDirectories) const override;
    Expected<Done, ServiceError> removeItem(const QString& path) const override;
    QString homeDirectory() const override;
    Expected<Done, ServiceError> moveItem(const QString& from, const QString& to) const override;
    Expected<Done, ServiceError> writeText(const QString& text, const QString& path, bool atomically) const override;
    Expected<FileAttributes, ServiceError> attributesOfItem(const QString& path) const override;
    Expected<Done, ServiceError> setPosixPermissions(int permissions, const QString& path) const override;
    Expected<Done, ServiceError> copyItem(const QString& from, const QString& to) const override;
};

}  // namespace varnel
