#include "tools/varnel-doctor/DoctorReport.h"

#include "engine/workflow/DiagnosisSummary.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonValue>

#include <algorithm>

namespace varnel {

namespace {

QJsonValue optionalString(const std::optional<QString>& value)
{
    return value ? QJsonValue(*value) : QJsonValue(QJsonValue::Null);
}

QJsonArray stringArray(const QStringList& values) { return QJsonArray::fromStringList(values); }

QString orNone(const QStringList& values) { return values.isEmpty() ? QStringLiteral("none") : values.join(u", "); }

QString appVersion() { return QStringLiteral(VARNEL_VERSION " (" VARNEL_BUILD_NUMBER ")"); }

QJsonObject javaJson(const ProbeBundle& java)
{
    QJsonArray jdks;
    for (const JDKInfo& jdk : java.installedJDKs)
        jdks.append(QJsonObject{{QStringLiteral("version"), jdk.version},
                                {QStringLiteral("vendor"), jdk.vendor},
                                {QStringLiteral("architecture"), jdk.architecture},
                                {QStringLiteral("path"), jdk.path}});
    return {
        {QStringLiteral("summary"), DoctorReport::javaSummary(java)},
        {QStringLiteral("whichJava"), optionalString(java.whichJava)},
        {QStringLiteral("javaHomeInActiveShell"), optionalString(java.javaHomeInActiveShell)},
        {QStringLiteral("installedJDKs"), jdks},
        {QStringLiteral("jvmDirContents"), stringArray(java.jvmDirContents)},
    };
}

QJsonObject profileJson(const SystemProfile& p)
{
    const QString version = DoctorReport::versionText(p.macosVersion);
    return {
        {QStringLiteral("architecture"), QString::fromLatin1(architectureNames(p.architecture).id)},
        {QStringLiteral("macosVersion"), version.isEmpty() ? QJsonValue(QJsonValue::Null) : QJsonValue(version)},
        {QStringLiteral("shell"), p.shell.displayName()},
        {QStringLiteral("homebrewPrefix"), optionalString(p.homebrewPrefix)},
        {QStringLiteral("xcodeCommandLineToolsPath"), optionalString(p.xcodeCommandLineToolsPath)},
        {QStringLiteral("sdkmanRoot"), optionalString(p.sdkmanRoot)},
        {QStringLiteral("miseExecutable"), optionalString(p.miseExecutable)},
        {QStringLiteral("jenvRoot"), optionalString(p.jenvRoot)},
        {QStringLiteral("asdfRoot"), optionalString(p.asdfRoot)},
        {QStringLiteral("aiTooling"), stringArray(p.aiTooling.detectedIDs())},
        {QStringLiteral("terminals"), stringArray(p.terminals.detectedIDs())},
        {QStringLiteral("likelyDeveloper"), p.likelyDeveloper()},
        {QStringLiteral("java"), javaJson(p.javaState)},
    };
}

QJsonObject probesJson(const SetupProbeBundle& b)
{
    return {
        {QStringLiteral("pathVisiblePrimaryTools"), stringArray(b.pathVisiblePrimaryTools)},
        {QStringLiteral("installedPrimaryToolLocations"), stringArray(b.installedPrimaryToolLocations)},
        {QStringLiteral("versionOutput"), optionalString(b.versionOutput)},
        {QStringLiteral("versionExitCode"),
         b.versionExitCode ? QJsonValue(*b.versionExitCode) : QJsonValue(QJsonValue::Null)},
        {QStringLiteral("companionToolPresent"), b.companionToolPresent},
        {QStringLiteral("shellConfigured"), b.shellConfigured},
        {QStringLiteral("agentDocNeeded"), b.agentDocNeeded},
        {QStringLiteral("projectExists"), b.projectExists},
        {QStringLiteral("ghPresent"), b.ghPresent},
        {QStringLiteral("gitIdentitySet"), b.gitIdentitySet},
        {QStringLiteral("ghAuthed"), b.ghAuthed},
    };
}

}  // namespace

DoctorReport DoctorReport::from(const ProductConfig& config, const SystemProfile& profile,
                                const SetupProbeBundle& probes, const std::optional<SetupWorkflow>& workflow)
{
    DoctorReport report;
    report.productName_ = config.displayName;
    report.appID_ = config.appID;
    report.profile_ = profile;
    report.probes_ = probes;
    report.hasWorkflow_ = workflow.has_value();
    const SpineCopyProviding* copy = config.spineCopy.get();
    report.summaryHeadline_ = copy ? copy->diagnosisHeadline() : QStringLiteral("Here's what we found");
    if (!workflow)
        return report;

    const auto summary = diagnosisSummaryLines(*workflow, config.spinePolicy, copy);
    for (const DiagnosisSummaryLine& line : summary)
        report.summaryLines_ << line.text;
    for (const WorkflowStep& step : workflow->steps) {
        Stage stage;
        stage.domain = step.stage->domainID();
        stage.placement = step.placement;
        stage.diagnosis = step.stage->diagnosis();
        for (const SetupAction& action : step.stage->actions())
            stage.actionIDs << action.id;
        for (const DiagnosisSummaryLine& line : summary)
            if (line.domainID == stage.domain)
                stage.summaryLine = line.text;
        report.stages_.push_back(std::move(stage));
    }
    return report;
}

bool DoctorReport::ready() const
{
    if (!hasWorkflow_)
        return false;
    return std::all_of(stages_.begin(), stages_.end(), [](const Stage& s) {
        return s.placement != DomainPlacement::primary ||
               s.diagnosis.classification == SetupDiagnosisClassification::ready;
    });
}

QString DoctorReport::versionText(const OperatingSystemVersion& v)
{
    if (v == OperatingSystemVersion{})
        return {};
    QString text = QStringLiteral("%1.%2").arg(v.majorVersion).arg(v.minorVersion);
    if (v.patchVersion != 0)
        text += QStringLiteral(".%1").arg(v.patchVersion);
    return text;
}

QString DoctorReport::javaSummary(const ProbeBundle& java)
{
    QString jdks;
    if (java.installedJDKs.empty()) {
        jdks = QStringLiteral("no JDK");
    } else {
        QStringList versions;
        for (const JDKInfo& jdk : java.installedJDKs) {
            QStringList about;
            if (!jdk.vendor.isEmpty())
                about << jdk.vendor;
            if (!jdk.architecture.isEmpty())
                about << jdk.architecture;
            const QString version = jdk.version.isEmpty() ? QStringLiteral("unknown version") : jdk.version;
            versions << (about.isEmpty() ? version : version + QStringLiteral(" (") + about.join(u", ") + u')');
        }
        jdks = QStringLiteral("%1 %2: %3")
                   .arg(java.installedJDKs.size())
                   .arg(java.installedJDKs.size() == 1 ? QStringLiteral("JDK") : QStringLiteral("JDKs"))
                   .arg(versions.join(u"; "));
    }
    const QString home = java.javaHomeInActiveShell && !java.javaHomeInActiveShell->isEmpty()
                             ? QStringLiteral("JAVA_HOME=") + *java.javaHomeInActiveShell
                             : QStringLiteral("JAVA_HOME unset");
    return jdks + QStringLiteral("; ") + home;
}

QJsonObject DoctorReport::toJson() const
{
    QJsonArray stages;
    for (const Stage& s : stages_)
        stages.append(QJsonObject{
            {QStringLiteral("domain"), s.domain},
            {QStringLiteral("placement"), toString(s.placement)},
            {QStringLiteral("classification"), toString(s.diagnosis.classification)},
            {QStringLiteral("headline"), s.diagnosis.headline},
            {QStringLiteral("detail"), s.diagnosis.detail},
            {QStringLiteral("actions"), stringArray(s.actionIDs)},
        });
    return {
        {QStringLiteral("product"), QJsonObject{{QStringLiteral("appID"), appID_},
                                                {QStringLiteral("displayName"), productName_},
                                                {QStringLiteral("version"), appVersion()}}},
        {QStringLiteral("ready"), ready()},
        {QStringLiteral("profile"), profileJson(profile_)},
        {QStringLiteral("probes"), probesJson(probes_)},
        {QStringLiteral("summaryHeadline"), summaryHeadline_},
        {QStringLiteral("summaryLines"), stringArray(summaryLines_)},
        {QStringLiteral("stages"), stages},
    };
}

QByteArray DoctorReport::toJsonText() const { return QJsonDocument(toJson()).toJson(QJsonDocument::Indented); }

QString DoctorReport::toText() const
{
    QStringList out;
    const auto fact = [&out](const char* label, const QString& value) {
        out << QStringLiteral("  %1 %2").arg(QString::fromUtf8(label) + u':', -20).arg(value);
    };
    const SystemProfile& p = profile_;
    const QString version = versionText(p.macosVersion);

    out << QStringLiteral("%1 %2 — varnel-doctor").arg(productName_, appVersion()) << QString();
    out << QStringLiteral("This Mac");
    fact("Architecture", QString::fromLatin1(architectureNames(p.architecture).text));
    fact("macOS", version.isEmpty() ? QStringLiteral("unknown") : version);
    fact("Shell", p.shell.displayName());
    fact("Homebrew", p.homebrewPrefix.value_or(QStringLiteral("not found")));
    fact("Command Line Tools", p.xcodeCommandLineToolsPath.value_or(QStringLiteral("not installed")));
    fact("AI tools", orNone(p.aiTooling.detectedIDs()));
    fact("Terminals", orNone(p.terminals.detectedIDs()));
    fact("Likely developer", p.likelyDeveloper() ? QStringLiteral("yes") : QStringLiteral("no"));
    fact("Java", javaSummary(p.javaState));
    out << QString();

    if (!hasWorkflow_) {
        out << QStringLiteral("There is nothing to set up for this product yet.");
    } else {
        // The summary as the screen draws it: a check mark for what is ready.
        out << summaryHeadline_;
        for (const Stage& s : stages_)
            if (s.summaryLine)
                out << (s.diagnosis.classification == SetupDiagnosisClassification::ready ? QStringLiteral("  ✓  ")
                                                                                           : QStringLiteral("  •  ")) +
                           *s.summaryLine;
        out << QString() << QStringLiteral("Stages");
        for (const Stage& s : stages_) {
            out << QStringLiteral("  %1 (%2, %3)")
                       .arg(s.domain, toString(s.placement), toString(s.diagnosis.classification));
            out << QStringLiteral("    ") + s.diagnosis.headline;
            if (!s.diagnosis.detail.isEmpty())
                out << QStringLiteral("    ") + s.diagnosis.detail;
            if (!s.actionIDs.isEmpty())
                out << QStringLiteral("    Actions: ") + s.actionIDs.join(u", ");
        }
    }
    out << QString();

    const auto primary = std::count_if(stages_.begin(), stages_.end(),
                                       [](const Stage& s) { return s.placement == DomainPlacement::primary; });
    const auto notReady = std::count_if(stages_.begin(), stages_.end(), [](const Stage& s) {
        return s.placement == DomainPlacement::primary &&
               s.diagnosis.classification != SetupDiagnosisClassification::ready;
    });
    if (ready())
        out << QStringLiteral("Ready: every primary stage is ready.");
    else if (hasWorkflow_)
        out << QStringLiteral("Not ready: %1 of %2 primary stages need work.").arg(notReady).arg(primary);
    else
        out << QStringLiteral("Not ready: no workflow.");
    return out.join(u'\n') + u'\n';
}

}  // namespace varnel
