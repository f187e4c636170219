#pragma once

#include <QStringList>

namespace varnel {

// What one of the agent writers reports: the lines to show the user, in the
// order things happened, and whether the step as a whole worked.
struct StepOutcome {
    QStringList messages;
    bool succeeded = true;
    bool operator==(const StepOutcome&) const = default;
};

}  // namespace varnel
