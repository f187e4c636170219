#pragma once

// Stand-ins for the macOS programs the installers start, written into a
// temporary folder that is also the run's TMPDIR and cache folder.

#include "engine/remediation/SystemPrograms.h"
#include "engine/services/LiveFileSystem.h"
#include "engine/services/LiveProcessRunner.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fstream>
#include <sys/stat.h>

namespace varnel::testing {


// osascript: records its arguments; a password dialog prints a fixed answer
// (or fails like Cancel when STANDIN_DIALOG=cancel); `do shell script "…"`
// runs the unescaped command with /bin/sh, as the real one does.
inline const char* kOsascript = R"SH(#!/bin/bash
printf '%s\0' "$@" > "$STANDIN_RECORD/osascript.args"
script=""
while (($#)); do [[ $1 == -e ]] && script+=$2$'\n'; shift; done
first_string() {  # the first AppleScript string literal after $2, unescaped
    local text=${1#*"$2"} out="" i c
    text=${text#*\"}
    for ((i = 0; i < ${#text}; i++)); do
        c=${text:i:1}
        if [[ $c == \\ ]]; then ((i++)); out+=${text:i:1}
        elif [[ $c == \" ]]; then break
        else out+=$c; fi
    done
    REPLY=$out
}
if [[ $STANDIN_DIALOG == cancel ]]; then
    echo "0:${#script}: execution error: User canceled. (-128)" >&2
    exit 1
fi
if [[ $script == *"do shell script"* ]]; then
    first_string "$script" "do shell script"
    exec /bin/sh -c "$REPLY"
fi
echo "typed-in-the-dialog"
)SH";

inline const char* kRecorder = R"SH(#!/bin/bash
printf '%s\0' "$@" > "$STANDIN_RECORD/$(basename "$0").args"
echo "installer: The install was successful."
)SH";

class StandInPrograms : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(root_.isValid());
        for (const char* folder : {"bin", "tmp", "record"})
            ASSERT_TRUE(QDir(root_.path()).mkpath(folder));
        qputenv("TMPDIR", path("tmp").toUtf8());
        qputenv("STANDIN_RECORD", path("record").toUtf8());
        qunsetenv("STANDIN_DIALOG");
        programs_.osascript = script("osascript", kOsascript);
        programs_.installer = script("installer", kRecorder);
        programs_.sudo = script("sudo", kRecorder);
    }

    QString path(const QString& relative) const { return root_.filePath(relative); }

    QString script(const QString& name, const char* text) const
    {
        const QString file = path("bin/" + name);
        std::ofstream(file.toStdString()) << text;
        ::chmod(file.toLocal8Bit().constData(), 0755);
        return file;
    }

    QStringList recorded(const QString& program) const
    {
        QFile file(path("record/" + program + ".args"));
        if (!file.open(QIODevice::ReadOnly))
            return {};
        QStringList args = QString::fromUtf8(file.readAll()).split(QChar(0));
        args.removeLast();
        return args;
    }

    QStringList leftovers() const { return QDir(path("tmp")).entryList({"ksm-priv-*"}, QDir::Dirs | QDir::Hidden); }

    QTemporaryDir root_;
    SystemPrograms programs_;
    LiveFileSystem fs_;
    LiveProcessRunner process_{std::chrono::milliseconds(500)};
};

inline int mode(const QString& path)
{
    struct stat st {};
    ::lstat(path.toLocal8Bit().constData(), &st);
    return st.st_mode & 07777;
}

}  // namespace varnel::testing
