#pragma once

#include "engine/services/FileSystemOperating.h"

namespace varnel {

// The platform file system. Atomic writes go to the file a symbolic link
// points to (so links into a dotfiles repository stay links) and keep the
// existing file's permission bits. Reading never blocks on a named pipe.
class LiveFileSystem : public FileSystemOperating {
public:
    LiveFileSystem() = default;
    // A file system whose home folder is `homeDirectory` instead of the
    // user's own (tests point it at a temporary folder).
    explicit LiveFileSystem(QString homeDirectory) : home_(std::move(homeDirectory)) {}

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
    Expected<Done, ServiceError> createFile(const QByteArray& data, const QString& path,
                                            int permissions) const override;
    Expected<Done, ServiceError> checkWritable(const QString& path) const override;
    std::optional<qint64> availableCapacity(const QString& path) const override;

private:
    QString home_;
};

}  // namespace varnel
