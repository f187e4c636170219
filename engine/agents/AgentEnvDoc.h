#pragma once

#include "engine/agents/StepOutcome.h"

#include <QString>

#include <vector>

namespace varnel {

class FileSystemOperating;

// Which tools own which language on this Mac, and which AI agents are here.
struct EnvironmentFlags {
    bool hasHomebrew = false;
    bool hasUV = false;
    bool hasMise = false;
    bool hasCargo = false;
    bool hasJavaHome = false;
    bool hasClaude = false;
    bool hasCodex = false;
    bool operator==(const EnvironmentFlags&) const = default;
};

// The "Development environment" note in the AI agents' own instruction files
// (~/.claude/CLAUDE.md, ~/.codex/AGENTS.md), telling an agent which tool owns
// which language here. The note is added once, below whatever the file holds,
// after a .bak copy of it; a file that carries the marker is never changed
// again, whatever the user edited in it since.
class AgentEnvDoc {
public:
    struct Target {
        QString path;
        QString label;  // "Claude (~/.claude/CLAUDE.md)"
        bool operator==(const Target&) const = default;
    };

    explicit AgentEnvDoc(const FileSystemOperating& fs) : fs_(fs) {}

    static QString marker() { return QStringLiteral("Varnel — development environment"); }

    EnvironmentFlags detect() const;
    static QString document(const EnvironmentFlags& flags);
    std::vector<Target> targets(const EnvironmentFlags& flags) const;

    // Adds `note` to one file; `ok` false only when the file could not be read or written.
    StepOutcome write(const Target& target, const QString& note) const;

    // True when every target for this Mac carries the note.
    bool isDocumented() const;

    // The whole "document the setup" step: the note into every target.
    StepOutcome documentEnvironment() const;

private:
    bool carriesNote(const QString& path) const;

    const FileSystemOperating& fs_;
};

}  // namespace varnel
