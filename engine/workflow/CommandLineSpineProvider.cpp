#include "engine/workflow/CommandLineSpineProvider.h"

namespace varnel {

namespace {
using P = DomainPlacement;
}  // namespace

CommandLineSpineProvider::CommandLineSpineProvider(SharedDomainCopy sharedCopy)
    : DomainSequenceSpineProvider(
          {
              {"clt", P::primary},       {"shell-config", P::primary}, {"homebrew", P::primary},
              {"warp", P::primary},      {"ai-claude", P::optional},   {"codex", P::optional},
              {"project", P::optional},  {"skills", P::optional},      {"mcp", P::optional},
              {"editor", P::optional},   {"languages", P::optional},   {"agent-docs", P::optional},
              {"git", P::optional},
          },
          std::move(sharedCopy))
{
}

}  // namespace varnel
