#pragma once

#include <QString>

#include <optional>

namespace varnel {

// The rules for a Git name and e-mail address typed by the user, wherever
// they are typed: the Git stage's fields and varnel-doctor's options.
class GitIdentityInput {
public:
    // Line feeds, carriage returns and every other character that starts a
    // new line somewhere: git would write them into its configuration file as is.
    static bool breaksLines(const QString& text);

    // Why the name and address (already trimmed) cannot be used; none when
    // they can. An empty address is not refused here: the caller decides
    // whether it needs one.
    static std::optional<QString> refusal(const QString& name, const QString& email);
};

}  // namespace varnel
