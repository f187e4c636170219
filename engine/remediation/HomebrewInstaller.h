#pragma once

#include "engine/remediation/PrivilegedExecutor.h"
#include "engine/remediation/SystemPrograms.h"
#include "engine/services/LongWork.h"
#include "engine/services/ProcessRunning.h"
#include "engine/shellconfig/FileAppendWriter.h"

#include <stop_token>

namespace varnel {

// Runs Homebrew's official install script with the password dialog of the
// PrivilegedExecutor, then makes `brew` available in new login shells by
// appending `eval "$(<brew> shellenv)"` to ~/.zprofile.
//
// Homebrew resets sudo's timestamp when it ends and asks again after a long
// step, so one install may show the dialog several times.
class HomebrewInstaller {
public:
    HomebrewInstaller(const ProcessRunning& process, const FileSystemOperating& fs, PrivilegedExecutor executor,
                      ShellMarker marker, SystemPrograms programs = SystemPrograms::mac());

    // Blocking; ends with exactly one completed(code) or canceled. A refused
    // or dismissed password dialog counts as canceled.
    void install(std::stop_token stop, const StreamSink& sink) const;

    // The command bash runs: the script fetched with curl, then run by bash;
    // a failed download ends it with 1 and a line saying so.
    QString installCommand() const;

private:
    void appendShellenv(const StreamSink& sink) const;

    const ProcessRunning* process_;
    const FileSystemOperating* fs_;
    PrivilegedExecutor executor_;
    ShellMarker marker_;
    SystemPrograms programs_;
};

}  // namespace varnel
