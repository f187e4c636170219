#pragma once

#include "engine/probing/SystemProfile.h"

#include <QString>

#include <functional>
#include <optional>

namespace varnel {

class FileSystemOperating;
class ProcessRunning;

// Looks at the Mac once and describes it in a SystemProfile. Every probe
// starts at the same time, so a profile costs about as long as the slowest
// one. Nothing here fails: a program that cannot start or a file that cannot
// be read leaves its field unknown, absent, false or empty.
//
// profile() blocks; call it from a worker thread.
class SystemProfiler {
public:
    // Reads one variable of the assistant's own environment; empty when unset.
    using EnvironmentReader = std::function<QString(const QString& name)>;

    SystemProfiler(const ProcessRunning& process, const FileSystemOperating& fs,
                   EnvironmentReader environment = {});

    SystemProfile profile() const;

    // The individual probes, each blocking.
    Architecture architecture() const;
    Shell shell() const;
    std::optional<QString> homebrewPrefix() const;
    std::optional<QString> sdkmanRoot() const;
    std::optional<QString> miseExecutable() const;
    std::optional<QString> jenvRoot() const;
    std::optional<QString> asdfRoot() const;
    AITooling aiTooling() const;
    Terminals terminals() const;

    // "/Applications/<name>" or "~/Applications/<name>" is a folder.
    bool applicationInstalled(const QString& name) const;
    // `which <name>` finds it, or Homebrew put an executable of that name in its bin folder.
    bool commandLineToolInstalled(const QString& name) const;

private:
    std::optional<QString> homeDirectoryIfDirectory(const QString& relative) const;

    const ProcessRunning& process_;
    const FileSystemOperating& fs_;
    EnvironmentReader environment_;
};

}  // namespace varnel
