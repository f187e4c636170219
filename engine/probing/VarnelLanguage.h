#pragma once

#include <QString>

#include <compare>
#include <optional>
#include <set>
#include <vector>

namespace varnel {

// A programming language the languages stage offers.
class VarnelLanguage {
public:
    enum Case { python, node, java, ruby, rust };

    constexpr VarnelLanguage(Case c) : case_(c) {}

    Case value() const { return case_; }
    QString rawValue() const;        // "python", "node", …
    QString displayName() const;     // "Python", "JavaScript (Node)", …
    QString versionCommand() const;  // "python3 --version", …

    static std::optional<VarnelLanguage> fromRawValue(const QString& rawValue);
    static const std::vector<VarnelLanguage>& allCases();

    friend bool operator==(VarnelLanguage a, VarnelLanguage b) { return a.case_ == b.case_; }
    friend std::strong_ordering operator<=>(VarnelLanguage a, VarnelLanguage b) { return a.case_ <=> b.case_; }

private:
    Case case_;
};

}  // namespace varnel
