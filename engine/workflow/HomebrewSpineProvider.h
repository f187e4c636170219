#pragma once

#include "engine/workflow/DomainSequence.h"

namespace varnel {

// The Homebrew product's workflow: a working Homebrew first (Command Line
// Tools, Homebrew, a terminal), then the same developer-environment stages as
// the command-line product, judged by the same rules.
class HomebrewSpineProvider final : public DomainSequenceSpineProvider {
public:
    explicit HomebrewSpineProvider(SharedDomainCopy sharedCopy = SharedDomainCopy::standard());
};

}  // namespace varnel
