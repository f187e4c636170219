#include "engine/probing/VarnelLanguage.h"

#include "engine/remediation/SetupRemediation.h"

namespace varnel {

QString VarnelLanguage::rawValue() const
{
    switch (case_) {
    case python: return QStringLiteral("python");
    case node: return QStringLiteral("node");
    case java: return QStringLiteral("java");
    case ruby: return QStringLiteral("ruby");
    case rust: break;
    }
    return QStringLiteral("rust");
}

QString VarnelLanguage::displayName() const
{
    switch (case_) {
    case python: return QStringLiteral("Python");
    case node: return QStringLiteral("JavaScript (Node)");
    case java: return QStringLiteral("Java");
    case ruby: return QStringLiteral("Ruby");
    case rust: break;
    }
    return QStringLiteral("Rust");
}

QString VarnelLanguage::versionCommand() const
{
    switch (case_) {
    case python: return QStringLiteral("python3 --version");
    case node: return QStringLiteral("node --version");
    case java: return QStringLiteral("java -version");
    case ruby: return QStringLiteral("ruby --version");
    case rust: break;
    }
    return QStringLiteral("cargo --version");
}

const std::vector<VarnelLanguage>& VarnelLanguage::allCases()
{
    static const std::vector<VarnelLanguage> all = {python, node, java, ruby, rust};
    return all;
}

std::optional<VarnelLanguage> VarnelLanguage::fromRawValue(const QString& rawValue)
{
    for (VarnelLanguage language : allCases())
        if (language.rawValue() == rawValue)
            return language;
    return std::nullopt;
}

std::vector<SetupRemediation> VarnelLanguage::remediations(const std::set<VarnelLanguage>& chosen)
{
    std::vector<SetupRemediation> list;
    if (chosen.empty())
        return list;
    const auto has = [&](Case c) { return chosen.count(c) > 0; };
    const bool needsMise = has(node) || has(ruby) || chosen.size() > 1;
    if (has(python))
        list.push_back(SetupRemediation::installUv());
    if (needsMise)
        list.push_back(SetupRemediation::installMise());
    if (has(node))
        list.push_back(SetupRemediation::installNodeViaMise());
    if (has(ruby))
        list.push_back(SetupRemediation::installRubyViaMise());
    if (has(java))
        list.push_back(SetupRemediation::installTemurin());
    // Rust alone gets rustup itself; next to other languages mise drives rustup for it.
    if (has(rust))
        list.push_back(needsMise ? SetupRemediation::installRustViaMise() : SetupRemediation::installRustup());
    return list;
}

}  // namespace varnel
