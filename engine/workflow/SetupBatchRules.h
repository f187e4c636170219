#pragma once

#include "engine/remediation/SetupRemediation.h"
#include "engine/workflow/SpineRenderPolicy.h"

#include <QString>

#include <optional>
#include <set>

namespace varnel {

// The rules a batch of setup actions follows wherever it runs, the progress
// screen or `varnel-doctor --fix`: which actions to skip, what the password
// dialog says, and how a browser opened for a sign-in is reported.
class SetupBatchRules {
public:
    // The transcript line that replaces an action whose prerequisite failed
    // earlier in the batch (`failedIDs`); none when the action may run. The
    // Node, Ruby and Rust installs through mise need mise itself.
    static std::optional<QString> skipLine(const SetupRemediation& remediation, const std::set<QString>& failedIDs);

    // The text of the password dialog for the installs that may need it: the
    // policy's reason for this action, else its general reason, else the product's name.
    static QString passwordPrompt(const SpineRenderPolicy& policy, const QString& productName,
                                  const SetupRemediation& remediation);

    // The transcript line once the browser was sent to the sign-in page, with
    // the one-time code when the sign-in gave one; `copied` when the code was
    // also put on the clipboard.
    static QString browserOpenedLine(const std::optional<QString>& code, bool copied);
};

}  // namespace varnel
