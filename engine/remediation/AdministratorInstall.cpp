#include "engine/remediation/AdministratorInstall.h"

#include "engine/remediation/InstallTranscript.h"
#include "engine/services/ScriptQuoting.h"

#include <optional>

namespace varnel {

QStringList AdministratorInstall::arguments(const QString& packagePath, const QString& prompt) const
{
    const QString command = ScriptQuoting::shellQuoted(programs_.installer) + QStringLiteral(" -pkg ") +
                            ScriptQuoting::shellQuoted(packagePath) + QStringLiteral(" -target /");
    return {QStringLiteral("-e"), QStringLiteral("do shell script \"") + ScriptQuoting::appleScriptEscaped(command) +
                                      QStringLiteral("\" with administrator privileges with prompt \"") +
                                      ScriptQuoting::appleScriptEscaped(prompt) + QStringLiteral("\"")};
}

AdministratorInstall::Outcome AdministratorInstall::run(const QString& packagePath, const QString& prompt,
                                                        std::stop_token stop,
                                                        const std::function<void(const QString&)>& onLine) const
{
    InstallTranscript transcript;
    QStringList output;
    std::optional<int32_t> exitCode;
    std::optional<QString> launchFailure;
    process_->stream(
        programs_.osascript, arguments(packagePath, prompt), std::nullopt,
        [&](const ProcessStreamEvent& event) {
            switch (event.kind) {
            case ProcessStreamEvent::Kind::line:
                transcript.add(event.text);
                output.append(event.text);
                if (onLine)
                    onLine(event.text);
                break;
            case ProcessStreamEvent::Kind::exited:
                exitCode = event.code;
                break;
            case ProcessStreamEvent::Kind::failedToStart:
                launchFailure = event.error.localizedDescription();
                break;
            }
        },
        stop);

    using Kind = Outcome::Kind;
    if (stop.stop_requested())
        return {Kind::canceled, {}};
    if (exitCode && *exitCode == 0)
        return {Kind::installed, {}};
    if (transcript.containsAny(InstallTranscript::administratorDialogCanceled()))
        return {Kind::canceled, {}};
    if (launchFailure)
        return {Kind::failed, QStringLiteral("Failed to start osascript: ") + *launchFailure};
    if (!output.isEmpty())
        return {Kind::failed, output.join(QLatin1Char('\n'))};
    return {Kind::failed, QStringLiteral("osascript exited %1").arg(exitCode.value_or(-1))};
}

}  // namespace varnel
