#include "engine/remediation/LanguageRemediations.h"

namespace varnel {

std::vector<SetupRemediation> languageRemediations(const std::set<VarnelLanguage>& chosen)
{
    using L = VarnelLanguage;
    std::vector<SetupRemediation> list;
    if (chosen.empty())
        return list;
    const auto has = [&](L::Case c) { return chosen.count(c) > 0; };
    const bool needsMise = has(L::node) || has(L::ruby) || chosen.size() > 1;
    if (has(L::python))
        list.push_back(SetupRemediation::installUv());
    if (needsMise)
        list.push_back(SetupRemediation::installMise());
    if (has(L::node))
        list.push_back(SetupRemediation::installNodeViaMise());
    if (has(L::ruby))
        list.push_back(SetupRemediation::installRubyViaMise());
    if (has(L::java))
        list.push_back(SetupRemediation::installTemurin());
    // Rust alone gets rustup itself; next to other languages mise drives rustup for it.
    if (has(L::rust))
        list.push_back(needsMise ? SetupRemediation::installRustViaMise() : SetupRemediation::installRustup());
    return list;
}

}  // namespace varnel
