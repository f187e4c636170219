#include "engine/probing/JavaVersions.h"

#include "engine/probing/ProbeRun.h"

#include <QRegularExpression>

namespace varnel {

std::vector<JDKInfo> parseJavaHomeListing(const QString& text)
{
    // "    21.0.2 (arm64) "Eclipse Adoptium" - "OpenJDK 21.0.2" /Library/Java/…/Contents/Home"
    static const QRegularExpression line(
        QStringLiteral(R"re(^\s+(\S+)\s+\(([^)]+)\)\s+"([^"]*)"\s+-\s+"[^"]*"\s+(/.+)$)re"));
    std::vector<JDKInfo> jdks;
    for (const QString& l : probing::nonEmptyLines(text)) {
        const auto m = line.match(l);
        if (!m.hasMatch() || m.lastCapturedIndex() != 4)
            continue;
        const QString home = probing::trimmedSpacesAndTabs(m.captured(4));
        jdks.push_back(JDKInfo{m.captured(1), m.captured(3), m.captured(2), home});
    }
    return jdks;
}

std::optional<int> majorJavaVersion(const QString& text)
{
    static const QRegularExpression version(QStringLiteral(R"re(version\s+"(\d+)(?:\.(\d+))?)re"));
    const auto m = version.match(text);
    if (!m.hasMatch())
        return std::nullopt;
    bool ok = false;
    const int major = m.captured(1).toInt(&ok);
    if (!ok)
        return std::nullopt;
    if (major == 1) {
        // The old numbering: 1.8.0_292 is Java 8.
        bool minorOk = false;
        const int minor = m.captured(2).toInt(&minorOk);
        return minorOk ? minor : 1;
    }
    return major;
}

}  // namespace varnel
