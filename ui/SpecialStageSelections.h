#pragma once

#include "engine/probing/VarnelLanguage.h"

#include <QString>

#include <map>
#include <set>

namespace varnel {

// What the user chose on the special stage layouts. Held by the workflow
// screen so the choices survive moves between stages; lost with the screen.
// The API keys live here only, in memory: never stored, logged or sent.
struct SpecialStageSelections {
    std::set<VarnelLanguage> languages;
    std::set<QString> skills;  // slugs
    bool didSeedSkills = false;
    std::set<QString> mcp;                 // slugs
    std::map<QString, QString> mcpAPIKeys;  // slug → the text typed, as typed
    QString gitName;
    QString gitEmail;
    std::set<QString> casks;         // remediation ids
    std::set<QString> didSeedCasks;  // domain ids
};

}  // namespace varnel
