#include "engine/telemetry/AppEvents.h"

namespace varnel::events {

namespace {
QString s(const char* text) { return QString::fromUtf8(text); }

QString architectureName(Architecture architecture)
{
    switch (architecture) {
    case Architecture::appleSilicon: return s("arm64");
    case Architecture::intel: return s("x86_64");
    case Architecture::unknown: break;
    }
    return s("unknown");
}

QString shellName(const Shell& shell)
{
    switch (shell.kind) {
    case Shell::Kind::zsh: return s("zsh");
    case Shell::Kind::bash: return s("bash");
    case Shell::Kind::fish: return s("fish");
    case Shell::Kind::other: break;
    }
    return s("other");
}
}  // namespace

TrackedEvent appLaunched(const std::optional<SystemProfile>& profile)
{
    if (!profile)
        return {s("app_launched"), {}};
    const SystemProfile& p = *profile;
    return {s("app_launched"),
            {
                {s("macos_major"), p.macosVersion.majorVersion},
                {s("macos_minor"), p.macosVersion.minorVersion},
                {s("arch"), architectureName(p.architecture)},
                {s("shell"), shellName(p.shell)},
                {s("has_homebrew"), p.homebrewPrefix.has_value()},
                {s("has_sdkman"), p.sdkmanRoot.has_value()},
                {s("has_mise"), p.miseExecutable.has_value()},
                {s("has_jenv"), p.jenvRoot.has_value()},
                {s("has_asdf"), p.asdfRoot.has_value()},
                {s("has_xcode_clt"), p.xcodeCommandLineToolsPath.has_value()},
            }};
}

TrackedEvent consentGiven() { return {s("consent_given"), {}}; }

TrackedEvent appOpened(const QString& applicationPath)
{
    QString name = applicationPath;
    if (name.startsWith(s("/Applications/")))
        name.remove(0, static_cast<qsizetype>(qstrlen("/Applications/")));
    if (name.endsWith(s(".app")))
        name.chop(4);
    return {s("app_opened"), {{s("app"), name}}};
}

TrackedEvent auditReached(const SystemProfile& profile, const QString& entry)
{
    const QStringList aiTools = profile.aiTooling.detectedIDs();
    const QStringList terminals = profile.terminals.detectedIDs();
    return {s("audit_reached"),
            {
                {s("ai_tool_count"), aiTools.size()},
                {s("terminal_count"), terminals.size()},
                {s("ai_tools"), aiTools},
                {s("terminals"), terminals},
                {s("entry"), entry},
            }};
}

TrackedEvent auditGated(bool likelyDeveloper)
{
    return {s("audit_gated"), {{s("likely_developer"), likelyDeveloper}}};
}

TrackedEvent auditStageOutcome(const QString& stageID, const QString& outcome)
{
    return {s("audit_stage_outcome"), {{s("stage_id"), stageID}, {s("outcome"), outcome}}};
}

TrackedEvent auditStageSkippedByUser(const QString& stageID)
{
    return {s("audit_stage_skipped_by_user"), {{s("stage_id"), stageID}}};
}

TrackedEvent auditOutboundClicked(const QString& tool, const QUrl& url)
{
    return {s("audit_outbound_clicked"), {{s("tool"), tool}, {s("url"), url.toString(QUrl::FullyEncoded)}}};
}

}  // namespace varnel::events
