#include "engine/telemetry/AppEvents.h"

namespace varnel::events {

namespace {
QString s(const char* text) { return QString::fromUtf8(text); }
}  // namespace

TrackedEvent appLaunched(const std::optional<SystemProfile>& profile)
{
    if (!profile)
        return {"app_launched", Json::object()};
    const SystemProfile& p = *profile;
    return {"app_launched",
            {
                {"macos_major", p.macosVersion.majorVersion},
                {"macos_minor", p.macosVersion.minorVersion},
                {"arch", architectureNames(p.architecture).machine},
                {"shell", p.shell.kindName()},
                {"has_homebrew", p.homebrewPrefix.has_value()},
                {"has_sdkman", p.sdkmanRoot.has_value()},
                {"has_mise", p.miseExecutable.has_value()},
                {"has_jenv", p.jenvRoot.has_value()},
                {"has_asdf", p.asdfRoot.has_value()},
                {"has_xcode_clt", p.xcodeCommandLineToolsPath.has_value()},
            }};
}

TrackedEvent consentGiven() { return {"consent_given", Json::object()}; }

TrackedEvent appOpened(const QString& applicationPath)
{
    QString name = applicationPath;
    if (name.startsWith(s("/Applications/")))
        name.remove(0, static_cast<qsizetype>(qstrlen("/Applications/")));
    if (name.endsWith(s(".app")))
        name.chop(4);
    return {"app_opened", {{"app", name}}};
}

TrackedEvent auditReached(const SystemProfile& profile, const QString& entry)
{
    const QStringList aiTools = profile.aiTooling.detectedIDs();
    const QStringList terminals = profile.terminals.detectedIDs();
    return {"audit_reached",
            {
                {"ai_tool_count", aiTools.size()},
                {"terminal_count", terminals.size()},
                {"ai_tools", aiTools},
                {"terminals", terminals},
                {"entry", entry},
            }};
}

TrackedEvent auditGated(bool likelyDeveloper)
{
    return {"audit_gated", {{"likely_developer", likelyDeveloper}}};
}

TrackedEvent auditStageOutcome(const QString& stageID, const QString& outcome)
{
    return {"audit_stage_outcome", {{"stage_id", stageID}, {"outcome", outcome}}};
}

TrackedEvent auditStageSkippedByUser(const QString& stageID)
{
    return {"audit_stage_skipped_by_user", {{"stage_id", stageID}}};
}

TrackedEvent auditOutboundClicked(const QString& tool, const QUrl& url)
{
    return {"audit_outbound_clicked", {{"tool", tool}, {"url", url.toString(QUrl::FullyEncoded)}}};
}

}  // namespace varnel::events
