#pragma once

#include "engine/remediation/SystemPrograms.h"
#include "engine/services/Expected.h"
#include "engine/services/FileSystemOperating.h"
#include "engine/services/ProcessTypes.h"
#include "engine/services/ServiceError.h"

#include <QString>

#include <optional>

namespace varnel {

// Lets installers that call `sudo` themselves ask for the password through a
// native dialog: a GUI app has no terminal for sudo to ask on. For one run it
// prepares a private folder (0700, in the per-user temporary folder) with
//   askpass.sh  prints what the user types in the dialog (sudo -A reads it),
//   sudo        a wrapper that always runs /usr/bin/sudo -A.
// The folder goes first on the child's PATH (for installers that call `sudo`
// by name) and askpass.sh is named in SUDO_ASKPASS: Homebrew calls
// /usr/bin/sudo by absolute path and adds -A itself when SUDO_ASKPASS is set.
//
// The password only ever travels through the pipe from the dialog to sudo:
// nothing here writes, logs or passes it anywhere else.
class PrivilegedExecutor {
public:
    // The folder of one run; removed when the session ends (destructor or
    // end()), whatever the outcome of the run.
    class Session {
    public:
        Session(Session&& other) noexcept;
        Session& operator=(Session&&) = delete;
        Session(const Session&) = delete;
        ~Session() { end(); }

        // PATH and SUDO_ASKPASS, to lay over the child's environment.
        const Environment& environment() const { return environment_; }
        const QString& directory() const { return directory_; }
        // The assistant's environment with environment() laid over it.
        Environment childEnvironment(const Environment& base) const;
        void end();

    private:
        friend class PrivilegedExecutor;
        Session(const FileSystemOperating& fs, QString directory, Environment environment)
            : fs_(&fs), directory_(std::move(directory)), environment_(std::move(environment))
        {
        }
        const FileSystemOperating* fs_;
        QString directory_;
        Environment environment_;
    };

    // Folders of this kind start with this; one left by a killed app is
    // removed by removeLeftovers() at the next start.
    static QString folderPrefix() { return QStringLiteral("ksm-priv-"); }

    // `dialogTitle` is the product's display name, shown as the dialog's title.
    PrivilegedExecutor(const FileSystemOperating& fs, QString dialogTitle, SystemPrograms programs = SystemPrograms::mac())
        : fs_(&fs), dialogTitle_(std::move(dialogTitle)), programs_(std::move(programs))
    {
    }

    // Fails with the file-system error when the folder or a script cannot be
    // made; nothing is left behind then.
    Expected<Session, ServiceError> prepare(const QString& prompt,
                                            const std::optional<QString>& currentPath = std::nullopt) const;

    // The dialog script: the prompt and the title escaped for AppleScript
    // strings inside a single-quoted shell word, so they show verbatim.
    QString askpassScript(const QString& prompt) const;
    QString sudoWrapper() const;

    // Removes every folder of ours in the temporary folder (call once at start).
    static void removeLeftovers(const FileSystemOperating& fs);

private:
    const FileSystemOperating* fs_;
    QString dialogTitle_;
    SystemPrograms programs_;
};

}  // namespace varnel
