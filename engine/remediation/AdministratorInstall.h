#pragma once

#include "engine/remediation/SystemPrograms.h"
#include "engine/services/ProcessRunning.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <stop_token>

namespace varnel {

// Runs /usr/sbin/installer on a package as root through osascript's
// administrator dialog (`do shell script … with administrator privileges`).
// The package path is quoted for the shell that `do shell script` starts and
// the whole command is then escaped for the AppleScript string, so any path
// reaches the installer verbatim.
class AdministratorInstall {
public:
    struct Outcome {
        enum class Kind { installed, canceled, failed };
        Kind kind = Kind::failed;
        QString failure;  // for failed: the output, "osascript exited N" or "Failed to start osascript: …"
    };

    AdministratorInstall(const ProcessRunning& process, SystemPrograms programs = SystemPrograms::mac())
        : process_(&process), programs_(std::move(programs))
    {
    }

    QStringList arguments(const QString& packagePath, const QString& prompt) const;

    // Blocking. `onLine` sees each line of osascript's output as it arrives.
    Outcome run(const QString& packagePath, const QString& prompt, std::stop_token stop,
                const std::function<void(const QString&)>& onLine = {}) const;

private:
    const ProcessRunning* process_;
    SystemPrograms programs_;
};

}  // namespace varnel
