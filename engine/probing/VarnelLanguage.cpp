#include "engine/probing/VarnelLanguage.h"

namespace varnel {

namespace {
struct Row {
    VarnelLanguage::Case language;
    const char* rawValue;
    const char* displayName;
    const char* versionCommand;
};

const Row kRows[] = {
    {VarnelLanguage::python, "python", "Python", "python3 --version"},
    {VarnelLanguage::node, "node", "JavaScript (Node)", "node --version"},
    {VarnelLanguage::java, "java", "Java", "java -version"},
    {VarnelLanguage::ruby, "ruby", "Ruby", "ruby --version"},
    {VarnelLanguage::rust, "rust", "Rust", "cargo --version"},
};

const Row& rowOf(VarnelLanguage::Case language)
{
    for (const Row& row : kRows)
        if (row.language == language)
            return row;
    Q_UNREACHABLE();
}
}  // namespace

QString VarnelLanguage::rawValue() const { return QString::fromUtf8(rowOf(case_).rawValue); }

QString VarnelLanguage::displayName() const { return QString::fromUtf8(rowOf(case_).displayName); }

QString VarnelLanguage::versionCommand() const { return QString::fromUtf8(rowOf(case_).versionCommand); }

const std::vector<VarnelLanguage>& VarnelLanguage::allCases()
{
    static const std::vector<VarnelLanguage> all = [] {
        std::vector<VarnelLanguage> cases;
        for (const Row& row : kRows)
            cases.push_back(row.language);
        return cases;
    }();
    return all;
}

std::optional<VarnelLanguage> VarnelLanguage::fromRawValue(const QString& rawValue)
{
    for (const Row& row : kRows)
        if (rawValue == QLatin1String(row.rawValue))
            return VarnelLanguage(row.language);
    return std::nullopt;
}

}  // namespace varnel
