#include "engine/telemetry/SetupEvents.h"

#include "engine/telemetry/EventText.h"

#include <cmath>

namespace varnel::events {

namespace {
QString s(const char* text) { return QString::fromUtf8(text); }

int64_t gigabytes(int64_t bytes) { return std::llround(static_cast<double>(bytes) / 1e9); }

TrackedEvent warningAction(const char* name, const QString& action, const QString& verdict)
{
    return {s(name), {{s("action"), action}, {s("verdict"), verdict}}};
}

TrackedEvent outcome(const char* name, const std::optional<QString>& engineOutcome, const QString& selfReport)
{
    return {s(name),
            {{s("engine_outcome"), engineOutcome.value_or(s("blocked"))}, {s("self_report"), selfReport}}};
}
}  // namespace

TrackedEvent setupDiagnosisReached(const SetupWorkflow& workflow, const std::optional<SystemProfile>& profile)
{
    int fixable = 0;
    int blocked = 0;
    for (const WorkflowStep& step : workflow.steps) {
        if (step.placement != DomainPlacement::primary || !step.stage)
            continue;
        const SetupDiagnosisClassification c = step.stage->diagnosis().classification;
        fixable += c == SetupDiagnosisClassification::fixable;
        blocked += c == SetupDiagnosisClassification::blocked;
    }
    const QString reason = blocked > 0 ? s("blocked") : fixable > 0 ? s("fixable") : s("ready");
    const QStringList terminals = profile ? profile->terminals.detectedIDs() : QStringList();
    return {s("diagnosis_reached"),
            {
                {s("reason"), reason},
                {s("fixable_count"), fixable},
                {s("blocked_count"), blocked},
                {s("terminal_count"), terminals.size()},
                {s("terminals"), terminals},
            }};
}

TrackedEvent networkCheck(const QString& verdict, int endpointsReachable, int endpointsTotal,
                          std::optional<double> downMbps, std::optional<int> estimatedInstallSeconds)
{
    TrackedEvent event{s("network_check"),
                       {
                           {s("verdict"), verdict},
                           {s("endpoints_reachable"), endpointsReachable},
                           {s("endpoints_total"), endpointsTotal},
                       }};
    if (downMbps)
        event.data.insert(s("down_mbps"), std::round(*downMbps * 10.0) / 10.0);
    if (estimatedInstallSeconds)
        event.data.insert(s("estimated_install_seconds"), *estimatedInstallSeconds);
    return event;
}

TrackedEvent diskSpaceCheck(const QString& verdict, int64_t worstCaseBytes, int64_t headroomBytes,
                            std::optional<int64_t> availableBytes)
{
    TrackedEvent event{s("disk_space_check"),
                       {
                           {s("verdict"), verdict},
                           {s("worst_case_gb"), gigabytes(worstCaseBytes)},
                           {s("headroom_gb"), gigabytes(headroomBytes)},
                       }};
    if (availableBytes)
        event.data.insert(s("available_gb"), gigabytes(*availableBytes));
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
    return {s("claude_path_repaired"), {{s("directory"), scrubbedHomePath(directory, loginName)}}};
}

TrackedEvent claudeDesktopInstalled() { return {s("claude_desktop_installed"), {{s("method"), s("brew")}}}; }

TrackedEvent claudeCliInstalled() { return {s("claude_cli_installed"), {{s("method"), s("brew")}}}; }

TrackedEvent claudeConflictSurfaced(int installCount)
{
    return {s("claude_conflict_surfaced"), {{s("install_count"), installCount}}};
}

TrackedEvent setupVerifyPassed(const SetupVerificationResult& result)
{
    return {s("verify_passed"),
            {
                {s("cli_version_excerpt"), truncatedToCharacters(result.rawOutput.trimmed(), 200)},
                {s("engine_outcome"), result.engineOutcome.value_or(QString())},
            }};
}

TrackedEvent setupVerifyFailed(const SetupVerificationResult& result)
{
    return {s("verify_failed"),
            {
                {s("engine_outcome"), result.engineOutcome.value_or(QString())},
                {s("exit_code"), result.exitCode.value_or(-1)},
            }};
}

TrackedEvent outcomeReported(const std::optional<QString>& engineOutcome, const QString& selfReport)
{
    return outcome("outcome_reported", engineOutcome, selfReport);
}

TrackedEvent claudeOutcomeReported(const std::optional<QString>& engineOutcome, const QString& selfReport)
{
    return outcome("claude_outcome_reported", engineOutcome, selfReport);
}

}  // namespace varnel::events
