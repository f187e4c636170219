#include "engine/remediation/PrivilegedExecutor.h"

#include "engine/services/ScriptQuoting.h"

#include <QUuid>


namespace varnel {

namespace {

constexpr int kPrivate = 0700;

QString joined(const QString& folder, const QString& name)
{
    return folder.endsWith(QLatin1Char('/')) ? folder + name : folder + QLatin1Char('/') + name;
}

}  // namespace

PrivilegedExecutor::Session::Session(Session&& other) noexcept
    : fs_(other.fs_), directory_(std::move(other.directory_)), environment_(std::move(other.environment_))
{
    other.directory_.clear();
}

Environment PrivilegedExecutor::Session::childEnvironment(const Environment& base) const
{
    Environment env = base;
    for (const auto& [key, value] : environment_)
        env[key] = value;
    return env;
}

void PrivilegedExecutor::Session::end()
{
    if (directory_.isEmpty())
        return;
    (void)fs_->removeItem(directory_);
    directory_.clear();
}

QString PrivilegedExecutor::askpassScript(const QString& prompt) const
{
    const QString dialog = QStringLiteral("display dialog \"") + ScriptQuoting::appleScriptEscaped(prompt) +
                           QStringLiteral("\" default answer \"\" with hidden answer with title \"") +
                           ScriptQuoting::appleScriptEscaped(dialogTitle_) +
                           QStringLiteral("\" with icon caution buttons {\"Cancel\", \"OK\"} default button \"OK\"");
    return QStringLiteral("#!") + programs_.bash + QStringLiteral("\nexec ") +
           ScriptQuoting::shellQuoted(programs_.osascript) + QStringLiteral(" -e activate -e ") +
           ScriptQuoting::shellQuoted(dialog) + QStringLiteral(" -e 'return text returned of result'\n");
}

QString PrivilegedExecutor::sudoWrapper() const
{
    return QStringLiteral("#!") + programs_.bash + QStringLiteral("\nexec ") + ScriptQuoting::shellQuoted(programs_.sudo) +
           QStringLiteral(" -A \"$@\"");
}

Expected<PrivilegedExecutor::Session, ServiceError> PrivilegedExecutor::prepare(
    const QString& prompt, const std::optional<QString>& currentPath) const
{
    using Result = Expected<Session, ServiceError>;
    const QString directory =
        joined(fs_->temporaryDirectory(), folderPrefix() + QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper());

    // mkdir without intermediates fails when anything is already there, so
    // the folder is ours; it is private before the first file lands in it.
    if (auto made = fs_->createDirectory(directory, false); !made)
        return Result::failure(made.error());
    Session session(*fs_, directory, {});
    if (auto p = fs_->setPosixPermissions(kPrivate, directory); !p)
        return Result::failure(p.error());

    const QString askpass = joined(directory, QStringLiteral("askpass.sh"));
    if (auto f = fs_->createFile(askpassScript(prompt).toUtf8(), askpass, kPrivate); !f)
        return Result::failure(f.error());
    if (auto f = fs_->createFile(sudoWrapper().toUtf8(), joined(directory, QStringLiteral("sudo")), kPrivate); !f)
        return Result::failure(f.error());

    QString path = currentPath.value_or(QString());
    if (!currentPath) {
        const Environment env = currentEnvironment();
        const auto it = env.find(QStringLiteral("PATH"));
        path = it != env.end() ? it->second : QString();
    }
    if (path.isEmpty())
        path = QStringLiteral("/usr/bin:/bin:/usr/sbin:/sbin");
    session.environment_ = {{QStringLiteral("PATH"), directory + QLatin1Char(':') + path},
                            {QStringLiteral("SUDO_ASKPASS"), askpass}};
    return Result(std::move(session));
}

void PrivilegedExecutor::removeLeftovers(const FileSystemOperating& fs)
{
    const QString temporary = fs.temporaryDirectory();
    const auto entries = fs.contentsOfDirectory(temporary);
    if (!entries)
        return;
    for (const QString& name : *entries) {
        if (name.startsWith(folderPrefix()))
            (void)fs.removeItem(joined(temporary, name));
    }
}

}  // namespace varnel
