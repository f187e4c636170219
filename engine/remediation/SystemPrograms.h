#pragma once

#include <QString>

namespace varnel {

// The macOS programs the installers start, by absolute path. Tests point them
// at stand-in scripts in a temporary folder; the app always uses mac().
struct SystemPrograms {
    QString sudo = QStringLiteral("/usr/bin/sudo");
    QString osascript = QStringLiteral("/usr/bin/osascript");
    QString installer = QStringLiteral("/usr/sbin/installer");
    QString bash = QStringLiteral("/bin/bash");
    QString curl = QStringLiteral("/usr/bin/curl");

    static SystemPrograms mac() { return {}; }
};

}  // namespace varnel
