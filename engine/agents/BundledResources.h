#pragma once

#include <QString>

#include <optional>

namespace varnel {

class FileSystemOperating;

// Finds the folders that ship inside the application (the example projects,
// the bundled skills). On macOS they sit in the bundle's Contents/Resources,
// next to Contents/MacOS where the executable is; in a build on any other
// system they sit in the executable's own folder.
class BundledResources {
public:
    BundledResources(const FileSystemOperating& fs, QString executableDirectory);

    // The resources of the program that is running.
    static BundledResources ofRunningApplication(const FileSystemOperating& fs);

    // The folder `group`/`name` ("skills", "avoid-ai-writing"), when it is there.
    std::optional<QString> find(const QString& group, const QString& name) const;

    const QString& directory() const { return directory_; }

private:
    const FileSystemOperating& fs_;
    QString directory_;
};

}  // namespace varnel
