#pragma once

#include "engine/probing/SystemProfile.h"

namespace varnel {

class FileSystemOperating;
class ProcessRunning;

// The Java part of the profile: what `which java` finds, the JDKs the
// platform knows and those only on disk, and JAVA_HOME as a new Terminal
// window would see it.
class Probes {
public:
    Probes(const ProcessRunning& process, const FileSystemOperating& fs) : process_(process), fs_(fs) {}

    // Runs its four probes at once; blocking, never fails.
    ProbeBundle javaProbeBundle() const;

    std::optional<QString> whichJava() const;
    std::vector<JDKInfo> javaHomeListing() const;
    QStringList jvmDirContents() const;
    std::optional<QString> javaHomeInActiveShell() const;

    // The marker the JAVA_HOME probe echoes before the value.
    static QString javaHomeMarker() { return QStringLiteral("__KSM_JAVA_HOME__:"); }

    // java_home's JDKs followed by the folders it did not list, read from disk.
    static std::vector<JDKInfo> mergeInstalledJDKs(const std::vector<JDKInfo>& listed, const QStringList& entries,
                                                   const FileSystemOperating& fs);

private:
    const ProcessRunning& process_;
    const FileSystemOperating& fs_;
};

}  // namespace varnel
