#include "engine/workflow/HomebrewSpinePolicy.h"

#include "engine/workflow/CommandLineSpinePolicy.h"

namespace varnel {

SpineRenderPolicy homebrewSpinePolicy()
{
    SpineRenderPolicy p = commandLineSpinePolicy();
    // Besides Homebrew's own prerequisites, only the stages that merely write
    // files may run before Homebrew exists.
    p.homebrewIndependentDomains = {QStringLiteral("clt"), QStringLiteral("homebrew"), QStringLiteral("project"),
                                    QStringLiteral("skills"), QStringLiteral("mcp")};
    p.privilegedActionReason.reset();
    return p;
}

}  // namespace varnel
