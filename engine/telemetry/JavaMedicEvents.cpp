#include "engine/telemetry/JavaMedicEvents.h"

#include "engine/probing/JavaVersions.h"
#include "engine/telemetry/EventText.h"

namespace varnel::events {

namespace {
QString s(const char* text) { return QString::fromUtf8(text); }

std::optional<int> majorOf(const JDKInfo& jdk)
{
    return majorJavaVersion(QStringLiteral("version \"") + jdk.version + u'"');
}
}  // namespace

TrackedEvent javaDiagnosisReached(const QString& diagnosis, const QString& reason, const ProbeBundle& javaState,
                                  const QString& loginName)
{
    JSONValue::Array jdks;
    for (const JDKInfo& jdk : javaState.installedJDKs) {
        jdks.push_back(JSONValue::Object{
            {s("path"), scrubbedHomePath(jdk.path, loginName)},
            {s("major_version"), JSONValue::integerOrNull(majorOf(jdk))},
            {s("vendor"), jdk.vendor.isEmpty() ? JSONValue() : JSONValue(jdk.vendor)},
        });
    }
    const int firstMajor = javaState.installedJDKs.empty() ? 0 : majorOf(javaState.installedJDKs.front()).value_or(0);
    const std::optional<QString>& home = javaState.javaHomeInActiveShell;
    const bool homeSet = home && !home->isEmpty();

    return {s("diagnosis_reached"),
            {
                {s("diagnosis"), diagnosis},
                {s("reason"), diagnosis == s("unknown") ? truncatedToCharacters(reason, 120) : reason},
                {s("java_major_version"), firstMajor},
                {s("discovered_jdks"), std::move(jdks)},
                {s("current_java_home"), homeSet ? JSONValue(scrubbedHomePath(*home, loginName)) : JSONValue()},
            }};
}

TrackedEvent chooserShown(const QString& screen, int defaultOffered)
{
    return {s("chooser_shown"), {{s("screen"), screen}, {s("default_offered"), defaultOffered}}};
}

TrackedEvent javaVerifyPassed(const QString& javaVersionOutput)
{
    return {s("verify_passed"),
            {
                {s("java_version_excerpt"), javaVersionExcerpt(javaVersionOutput)},
                {s("java_major_version"), JSONValue::integerOrNull(majorJavaVersion(javaVersionOutput))},
            }};
}

TrackedEvent javaVerifyPassedWithLegacy(const QString& javaVersionOutput, const QString& chosenPath,
                                        const QString& loginName)
{
    return {s("verify_passed_with_legacy"),
            {
                {s("java_version_excerpt"), javaVersionExcerpt(javaVersionOutput)},
                {s("java_major_version"), JSONValue::integerOrNull(majorJavaVersion(javaVersionOutput))},
                {s("chosen_path"), scrubbedHomePath(chosenPath, loginName)},
            }};
}

TrackedEvent javaVerifyFailed(int exitCode, const QString& javaVersionOutput)
{
    return {s("verify_failed"),
            {{s("exit_code"), exitCode}, {s("java_version_excerpt"), javaVersionExcerpt(javaVersionOutput)}}};
}

TrackedEvent verifyOfferedFollowup(const QString& firstRemediationID)
{
    return {s("verify_offered_followup"), {{s("first_remediation_id"), firstRemediationID}}};
}

}  // namespace varnel::events
