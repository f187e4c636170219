#pragma once

#include "engine/probing/VarnelLanguage.h"
#include "engine/remediation/SetupRemediation.h"

#include <set>
#include <vector>

namespace varnel {

// The setup actions that install the chosen languages, in the order they must
// run: mise comes in as soon as Node or Ruby is chosen or more than one
// language is, so that a single manager owns them.
std::vector<SetupRemediation> languageRemediations(const std::set<VarnelLanguage>& chosen);

}  // namespace varnel
