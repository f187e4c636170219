#pragma once

#include <QString>

#include <optional>

namespace varnel {

// What the disk says about one language before the user chooses it.
struct LanguageStatus {
    enum class Kind {
        alreadySetUp,      // the assistant's own tool manages it; `name` is the tool
        managedElsewhere,  // another version manager does; `name` is the manager
        absent,
        outdated,  // a copy outside any version manager (system or Homebrew)
    };
    Kind kind = Kind::absent;
    QString name;
    bool operator==(const LanguageStatus&) const = default;

    static LanguageStatus alreadySetUp(QString owner) { return {Kind::alreadySetUp, std::move(owner)}; }
    static LanguageStatus managedElsewhere(QString manager) { return {Kind::managedElsewhere, std::move(manager)}; }
    static LanguageStatus absent() { return {Kind::absent, {}}; }
    static LanguageStatus outdated() { return {Kind::outdated, {}}; }

    // The line shown under the language's choice; none when nothing was found.
    std::optional<QString> caption() const;
};

}  // namespace varnel
