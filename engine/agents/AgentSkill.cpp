#include "engine/agents/AgentSkill.h"

namespace varnel {

const std::vector<AgentSkill>& AgentSkill::catalog()
{
    static const std::vector<AgentSkill> skills = {
        {QStringLiteral("avoid-ai-writing"), QStringLiteral("Avoid AI writing"),
         QStringLiteral("Make your agent write like a human, not a robot"),
         Source::bundle(QStringLiteral("avoid-ai-writing")), true, false},
        {QStringLiteral("downloads-cleanup"), QStringLiteral("Downloads cleanup"),
         QStringLiteral("Moves files · Preview first"), Source::bundle(QStringLiteral("downloads-cleanup")), false,
         false},
        {QStringLiteral("skill-creator"), QStringLiteral("Skill creator"), QStringLiteral("Anthropic · Experimental"),
         Source::fetch(QStringLiteral("anthropics/skills"), QStringLiteral("skills/skill-creator"),
                       QStringLiteral("57546260929473d4e0d1c1bb75297be2fdfa1949")),
         false, true},
    };
    return skills;
}

std::optional<AgentSkill> AgentSkill::withSlug(const QString& slug)
{
    for (const AgentSkill& skill : catalog())
        if (skill.slug == slug)
            return skill;
    return std::nullopt;
}

}  // namespace varnel
