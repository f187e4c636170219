#pragma once

#include "engine/services/FileSystemOperating.h"

#include <map>
#include <mutex>
#include <set>

namespace varnel::testing {

// An in-memory file system for engine tests: files with contents and
// permission bits, directories, and a home folder. Paths are absolute;
// parent directories of added files exist implicitly. Thread-safe.
class FakeFileSystem final : public FileSystemOperating {
public:
    explicit FakeFileSystem(QString home = QStringLiteral("/Users/tester"));

    // Fixture building.
    void addFile(const QString& path, const QByteArray& contents = {}, int permissions = 0644);
    void addExecutable(const QString& path) { addFile(path, "#!/bin/sh\n", 0755); }
    void addDirectory(const QString& path);
    QByteArray fileContents(const QString& path) const;  // empty when absent

    bool fileExists(const QString& path) const override;
    bool fileExists(const QString& path, bool* isDirectory) const override;
    bool isExecutableFile(const QString& path) const override;
    Expected<QByteArray, ServiceError> contents(const QString& path) const override;
    Expected<Done, ServiceError> writeData(const QByteArray& data, const QString& path, bool atomically) const override;
    QString temporaryDirectory() const override { return QStringLiteral("/tmp"); }
    Expected<QString, ServiceError> directory(DirectoryLocation location, bool create) const override;
    Expected<QStringList, ServiceError> contentsOfDirectory(const QString& path) const override;
    Expected<Done, ServiceError> createDirectory(const QString& path, bool withIntermediateDirectories) const override;
    Expected<Done, ServiceError> removeItem(const QString& path) const override;
    QString homeDirectory() const override { return home_; }
    Expected<Done, ServiceError> moveItem(const QString& from, const QString& to) const override;
    Expected<Done, ServiceError> writeText(const QString& text, const QString& path, bool atomically) const override;
    Expected<FileAttributes, ServiceError> attributesOfItem(const QString& path) const override;
    Expected<Done, ServiceError> setPosixPermissions(int permissions, const QString& path) const override;
    Expected<Done, ServiceError> copyItem(const QString& from, const QString& to) const override;
    Expected<Done, ServiceError> createFile(const QByteArray& data, const QString& path, int permissions) const override;
    std::optional<qint64> availableCapacity(const QString&) const override { return availableCapacity_; }
    void setAvailableCapacity(std::optional<qint64> bytes) { availableCapacity_ = bytes; }

private:
    struct File {
        QByteArray contents;
        int permissions = 0644;
    };
    static QString normalized(const QString& path);
    bool isDirectoryLocked(const QString& path) const;
    void addParentsLocked(const QString& path) const;

    QString home_;
    std::optional<qint64> availableCapacity_;
    mutable std::mutex lock_;
    mutable std::map<QString, File> files_;
    mutable std::set<QString> directories_;
};

}  // namespace varnel::testing
