#include "engine/workflow/SetupBatchRules.h"

namespace varnel {

using Case = SetupRemediation::Case;

std::optional<QString> SetupBatchRules::skipLine(const SetupRemediation& remediation,
                                                 const std::set<QString>& failedIDs)
{
    switch (remediation.kind()) {
    case Case::installNodeViaMise:
    case Case::installRubyViaMise:
    case Case::installRustViaMise:
        if (failedIDs.count(SetupRemediation::installMise().id()))
            return QStringLiteral("Skipping ") + remediation.title() +
                   QString::fromUtf16(u" — it needs a step that didn't finish.");
        return std::nullopt;
    default: return std::nullopt;
    }
}

QString SetupBatchRules::passwordPrompt(const SpineRenderPolicy& policy, const QString& productName,
                                        const SetupRemediation& remediation)
{
    if (auto reason = policy.privilegedReasons.find(remediation.id()); reason != policy.privilegedReasons.end())
        return reason->second;
    return policy.privilegedActionReason.value_or(productName);
}

QString SetupBatchRules::browserOpenedLine(const std::optional<QString>& code, bool copied)
{
    if (!code)
        return QString::fromUtf16(u"Opened your browser — follow the GitHub sign-in there.");
    return QStringLiteral("Opened your browser. Your one-time code is ") + *code +
           (copied ? QStringLiteral(" (copied to the clipboard)") : QString()) +
           QString::fromUtf16(u" — paste it and authorize.");
}

}  // namespace varnel
