#pragma once

#include "shellconfig/ShellTestHome.h"

#include <ostream>

// Readable failure messages for the texts these tests compare.
inline void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }

namespace varnel::testing {

using AgentTestHome = ShellTestHome;

// Text that must arrive anywhere exactly as given and run nothing on the way;
// a shell that ran it would leave a file named "ran" in its folder.
inline QString hostileText()
{
    return QStringLiteral("it's \"x\" $(touch ran) `touch ran` \\n back\\slash spaced  Grüße ✓");
}

}  // namespace varnel::testing

#include "engine/agents/StepOutcome.h"

namespace varnel {
inline void PrintTo(const StepOutcome& outcome, std::ostream* os)
{
    *os << (outcome.succeeded ? "succeeded: " : "failed: ") << outcome.messages.join(" | ").toStdString();
}
}  // namespace varnel
