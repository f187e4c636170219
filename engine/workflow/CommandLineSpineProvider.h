#pragma once

#include "engine/workflow/DomainSequence.h"

namespace varnel {

// The command-line product's workflow: the basics first (Command Line Tools,
// shell, Homebrew, a terminal), then the optional developer environment.
class CommandLineSpineProvider final : public DomainSequenceSpineProvider {
public:
    explicit CommandLineSpineProvider(SharedDomainCopy sharedCopy = SharedDomainCopy::standard());
};

}  // namespace varnel
