#include "engine/telemetry/SetupEvents.h"

#include "engine/telemetry/EventText.h"

#include <cmath>

namespace varnel::events {

namespace {
QString s(const char* text) { return QString::fromUtf8(text); }

int64_t gigabytes(int64_t bytes) { return std::llround(static_cast<double>(bytes) / 1e9); }

TrackedEvent warningAction(const char* name, const QString& action, const QString& verdict)
{
    return {s(name), {{"action", action}, {"verdict", verdict}}};
}

}  // namespace

TrackedEvent setupDiagnosisReached(int fixableCount, int blockedCount, const QStringList& terminals)
{
    const QString reason = blockedCount > 0 ? s("blocked") : fixableCount > 0 ? s("fixable") : s("ready");
    return {"diagnosis_reached",
            {
                {"reason", reason},
                {"fixable_count", fixableCount},
                {"blocked_count", blockedCount},
                {"terminal_count", terminals.size()},
                {"terminals", terminals},
            }};
}

TrackedEvent networkCheck(const QString& verdict, int endpointsReachable, int endpointsTotal,
                          std::optional<double> downMbps, std::optional<int> estimatedInstallSeconds)
{
    TrackedEvent event{"network_check",
                       {
                           {"verdict", verdict},
                           {"endpoints_reachable", endpointsReachable},
                           {"endpoints_total", endpointsTotal},
                       }};
    if (downMbps)
        event.data["down_mbps"] = std::round(*downMbps * 10.0) / 10.0;
    if (estimatedInstallSeconds)
        event.data["estimated_install_seconds"] = *estimatedInstallSeconds;
    return event;
}

TrackedEvent diskSpaceCheck(const QString& verdict, int64_t worstCaseBytes, int64_t headroomBytes,
                            std::optional<int64_t> availableBytes)
{
    TrackedEvent event{"disk_space_check",
                       {
                           {"verdict", verdict},
                           {"worst_case_gb", gigabytes(worstCaseBytes)},
                           {"headroom_gb", gigabytes(headroomBytes)},
                       }};
    if (availableBytes)
        event.data["available_gb"] = gigabytes(*availableBytes);
    return event;
}

TrackedEvent networkWarningAction(const QString& action, const QString& verdict)
{
    return warningAction("network_warning_action", action, verdict);
}

TrackedEvent diskWarningAction(const QString& action, const QString& verdict)
{
    return warningAction("disk_warning_action", action, verdict);
}

TrackedEvent claudePathRepaired(const QString& directory, const QString& loginName)
{
    return {"claude_path_repaired", {{"directory", scrubbedHomePath(directory, loginName)}}};
}

TrackedEvent claudeDesktopInstalled() { return {"claude_desktop_installed", {{"method", s("brew")}}}; }

TrackedEvent claudeCliInstalled() { return {"claude_cli_installed", {{"method", s("brew")}}}; }

TrackedEvent setupVerifyPassed(const QString& rawOutput, const std::optional<QString>& engineOutcome)
{
    return {"verify_passed",
            {
                {"cli_version_excerpt", truncatedToCharacters(rawOutput.trimmed(), 200)},
                {"engine_outcome", engineOutcome.value_or(QString())},
            }};
}

TrackedEvent setupVerifyFailed(const std::optional<QString>& engineOutcome, std::optional<int> exitCode)
{
    return {"verify_failed", {{"engine_outcome", engineOutcome.value_or(QString())}, {"exit_code", exitCode.value_or(-1)}}};
}

TrackedEvent outcomeReported(const std::optional<QString>& engineOutcome, const QString& selfReport)
{
    return {"outcome_reported",
            {{"engine_outcome", engineOutcome.value_or(s("blocked"))}, {"self_report", selfReport}}};
}

}  // namespace varnel::events
