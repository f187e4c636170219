#include "engine/workflow/SetupTypes.h"

#include "engine/remediation/SetupRemediation.h"

namespace varnel {

SetupAction SetupAction::from(const SetupRemediation& remediation)
{
    return SetupAction{remediation.id(), remediation.title(), remediation.caption().value_or(QString()),
                       remediation.isCheckedLocally() ? VerifyPolicy::localVerification
                                                      : VerifyPolicy::installCompletion};
}

QString toString(SetupDiagnosisClassification c)
{
    switch (c) {
    case SetupDiagnosisClassification::ready: return QStringLiteral("ready");
    case SetupDiagnosisClassification::fixable: return QStringLiteral("fixable");
    case SetupDiagnosisClassification::blocked: return QStringLiteral("blocked");
    case SetupDiagnosisClassification::unknown: break;
    }
    return QStringLiteral("unknown");
}

QString toString(VerifyPolicy p)
{
    return p == VerifyPolicy::localVerification ? QStringLiteral("localVerification")
                                                : QStringLiteral("installCompletion");
}

QString toString(SetupFlow f)
{
    return f == SetupFlow::diagnose ? QStringLiteral("diagnose") : QStringLiteral("setupWorkflow");
}

QString toString(DomainPlacement p)
{
    switch (p) {
    case DomainPlacement::primary: return QStringLiteral("primary");
    case DomainPlacement::offer: return QStringLiteral("offer");
    case DomainPlacement::optional: break;
    }
    return QStringLiteral("optional");
}

SharedDomainCopy SharedDomainCopy::standard()
{
    return {
        {QStringLiteral("Command Line Tools are installed"),
         QStringLiteral("Apple's Command Line Tools are present — required for Homebrew and Git.")},
        {QStringLiteral("Install Apple's Command Line Tools"),
         QStringLiteral("Homebrew and Git need Apple's Command Line Tools. We'll open Apple's installer; it takes a few minutes.")},
        {QStringLiteral("Homebrew is installed"),
         QStringLiteral("Homebrew is present — we'll use it to install your tools coherently and keep them updatable.")},
        {QStringLiteral("Homebrew isn't installed"),
         QStringLiteral("We'll install Homebrew first — it's how we install your tools as one coherent, updatable, removable setup.")},
        {QStringLiteral("Warp is installed"), QStringLiteral("You already have Warp.")},
        {QStringLiteral("Try Warp — the AI-assisted terminal"),
         QStringLiteral("Warp is a modern macOS terminal we recommend.")},
    };
}

}  // namespace varnel
