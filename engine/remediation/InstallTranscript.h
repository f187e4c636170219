#pragma once

#include <QString>
#include <QStringList>

namespace varnel {

// What an installer printed, lower-cased, so that every marker is found in
// any letter case. The marker lists are the messages of sudo, osascript,
// Homebrew's install script and `brew` that decide what happened.
class InstallTranscript {
public:
    void add(const QString& line);
    bool contains(const QString& marker) const;
    bool containsAny(const QStringList& markers) const;
    bool containsAll(const QStringList& markers) const;
    bool isEmpty() const { return text_.isEmpty(); }

    // The password dialog was dismissed or the password refused. sudo says
    // "a password is required" after a dismissed askpass dialog and "N
    // incorrect password attempts" after wrong ones; Homebrew's install script
    // checks sudo with its output hidden and then says only "Need sudo access
    // on macOS"; osascript reports a dismissed dialog as "User canceled. (-128)".
    static const QStringList& authenticationFailed();
    // brew ran `sudo` itself without -A: sudo found no terminal to ask on.
    static const QStringList& wrapperBypassed();  // all present
    static const QStringList& leftoverFile();
    static const QStringList& alreadyInstalled();  // all present
    // The administrator dialog of `do shell script … with administrator privileges` was dismissed.
    static const QStringList& administratorDialogCanceled();

private:
    QString text_;
};

}  // namespace varnel
