#pragma once

#include <QString>

#include <optional>
#include <vector>

namespace varnel {

// A folder of instructions (sometimes scripts) that AI agents load from the
// `skills` folder of their configuration directory.
struct AgentSkill {
    struct Source {
        enum class Kind {
            bundle,  // ships with the application, resources "skills/<name>"
            fetch,   // a folder of a public GitHub repository at a pinned commit
        };
        Kind kind = Kind::bundle;
        QString name;     // bundle
        QString repo;     // fetch: "owner/name"
        QString subpath;  // fetch: folder inside the repository ("." for its root)
        QString pin;      // fetch: full 40-digit commit id
        bool operator==(const Source&) const = default;

        static Source bundle(QString name) { return {Kind::bundle, std::move(name), {}, {}, {}}; }
        static Source fetch(QString repo, QString subpath, QString pin)
        {
            return {Kind::fetch, {}, std::move(repo), std::move(subpath), std::move(pin)};
        }
    };

    QString slug;  // the skill's folder name
    QString displayName;
    QString badge;  // one-line tag shown with the skill
    Source source;
    bool preselected = false;
    bool developerOnly = false;  // ticked by default only on a developer's Mac
    bool operator==(const AgentSkill&) const = default;

    // The skills offered, in display order.
    static const std::vector<AgentSkill>& catalog();
    static std::optional<AgentSkill> withSlug(const QString& slug);
    // The resource folder that holds every bundled skill.
    static QString resourceFolder() { return QStringLiteral("skills"); }
};

}  // namespace varnel
