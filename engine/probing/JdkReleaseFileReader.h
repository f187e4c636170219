#pragma once

#include "engine/probing/SystemProfile.h"

#include <QString>

#include <map>
#include <optional>

namespace varnel {

class FileSystemOperating;

// Describes a JDK folder of /Library/Java/JavaVirtualMachines from its own
// files, for JDKs that java_home does not list: the `release` file first,
// the bundle's Info.plist (JavaVM → JVMVersion) second.
class JdkReleaseFileReader {
public:
    explicit JdkReleaseFileReader(const FileSystemOperating& fs) : fs_(fs) {}

    // `entryName` is one entry of the JavaVirtualMachines folder, e.g. "temurin-21.jdk".
    std::optional<JDKInfo> jdkInfo(const QString& entryName) const;

    // KEY=VALUE lines; surrounding double quotes are dropped, a later key wins.
    static std::map<QString, QString> parseReleaseFile(const QString& text);

    static QString virtualMachinesDirectory() { return QStringLiteral("/Library/Java/JavaVirtualMachines"); }

private:
    const FileSystemOperating& fs_;
};

}  // namespace varnel
