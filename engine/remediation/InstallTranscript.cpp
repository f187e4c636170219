#include "engine/remediation/InstallTranscript.h"

#include <algorithm>

namespace varnel {

void InstallTranscript::add(const QString& line)
{
    text_ += line.toLower();
    text_ += QLatin1Char('\n');
}

bool InstallTranscript::contains(const QString& marker) const { return text_.contains(marker); }

bool InstallTranscript::containsAny(const QStringList& markers) const
{
    return std::any_of(markers.begin(), markers.end(), [this](const QString& m) { return contains(m); });
}

bool InstallTranscript::containsAll(const QStringList& markers) const
{
    return std::all_of(markers.begin(), markers.end(), [this](const QString& m) { return contains(m); });
}

const QStringList& InstallTranscript::authenticationFailed()
{
    static const QStringList markers{
        QStringLiteral("a password is required"),
        QStringLiteral("sudo: a password is required"),
        QStringLiteral("user canceled"),
        QStringLiteral("sudo_askpass"),
        QStringLiteral("askpass"),
        QStringLiteral("authentication failed"),
        QStringLiteral("execution error: user canceled"),
        QStringLiteral("incorrect password attempt"),
        QStringLiteral("no password was provided"),
        QStringLiteral("need sudo access on macos"),
    };
    return markers;
}

const QStringList& InstallTranscript::wrapperBypassed()
{
    static const QStringList markers{QStringLiteral("a terminal is required"), QStringLiteral("a password is required")};
    return markers;
}

const QStringList& InstallTranscript::leftoverFile()
{
    static const QStringList markers{QStringLiteral("it seems there is already")};
    return markers;
}

const QStringList& InstallTranscript::alreadyInstalled()
{
    static const QStringList markers{QStringLiteral("not upgrading"), QStringLiteral("already installed")};
    return markers;
}

const QStringList& InstallTranscript::administratorDialogCanceled()
{
    static const QStringList markers{QStringLiteral("(-128)"), QStringLiteral("user canceled")};
    return markers;
}

}  // namespace varnel
