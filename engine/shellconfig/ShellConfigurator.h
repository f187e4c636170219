#pragma once

#include "engine/services/FileSystemOperating.h"
#include "engine/shellconfig/FileAppendWriter.h"

#include <QString>
#include <QStringList>

namespace varnel {

// Gives a Mac the zsh set-up the other tools rely on: a ~/.zprofile that
// keeps PATH free of duplicates, a ~/.zshrc with completions that loads
// ~/.env, a private ~/.env for API keys, and the PATH lines that uv, mise and
// rustup need. Every edit is an append through FileAppendWriter, so running
// any of these twice changes nothing the second time. Failures become
// messages; nothing throws and one failing file never stops the others.
class ShellConfigurator {
public:
    struct Outcome {
        QStringList messages;  // in the order they happened, for the output pane
        bool succeeded = true;
    };

    // `marker` heads every block written (see ShellMarker).
    ShellConfigurator(const FileSystemOperating& fs, ShellMarker marker) : fs_(fs), marker_(std::move(marker)) {}

    // Whether the shell files already carry the set-up. Stricter than the
    // appends: a setting that only sits in a comment does not count here.
    static bool isConfigured(const FileSystemOperating& fs);

    Outcome configureShell() const;
    QString configureUvPath() const;
    QStringList configureMise() const;  // the ~/.zprofile message first
    QString configureCargoPath() const;

private:
    const FileSystemOperating& fs_;
    ShellMarker marker_;
};

}  // namespace varnel
