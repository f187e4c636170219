#include "engine/remediation/InstallOutputFilter.h"

#include <QRegularExpression>

namespace varnel {

namespace {

constexpr int kSkipLimit = 31;

const QRegularExpression& timestampPattern()
{
    static const QRegularExpression pattern(
        QStringLiteral(R"(^\d{4}-\d{2}-\d{2} \d{2}:\d{2}:\d{2}\.\d{3,} \S+\[\d+:\d+\] )"));
    return pattern;
}

bool isHorizontalSpace(QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t'); }

QStringView trimmed(QStringView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isHorizontalSpace(text[begin]))
        ++begin;
    while (end > begin && isHorizontalSpace(text[end - 1]))
        --end;
    return text.sliced(begin, end - begin);
}

// The pattern starts with four digits; most lines are rejected before the
// regular expression runs.
bool looksLikeSystemLog(const QString& line)
{
    if (line.size() < 24 || !line[0].isDigit())
        return false;
    return timestampPattern().match(line).hasMatch();
}

}  // namespace

QString InstallOutputFilter::oldMacOSNote()
{
    return QStringLiteral(
        "Note: that Homebrew message is about macOS 13 being an older version. It is not an error — the install "
        "continues normally.");
}

void InstallOutputFilter::feed(const QString& line, QStringList& shown)
{
    if (!skipping_) {
        if (trimmed(line).startsWith(QLatin1String("==> Next steps:"))) {
            skipping_ = true;
            counter_ = 0;
            return;
        }
        if (looksLikeSystemLog(line))
            return;
        shown.append(line);
        if (line.contains(QLatin1String("do not provide support for this old version")))
            shown.append(oldMacOSNote());
        return;
    }

    ++counter_;
    if (line.contains(documentationMarker())) {
        skipping_ = false;
        return;
    }
    const QStringView t = trimmed(line);
    const bool blockLine = t.isEmpty() || t.startsWith(QLatin1Char('-')) ||
                           (!line.isEmpty() && isHorizontalSpace(line[0]));
    if (blockLine && counter_ < kSkipLimit)
        return;
    shown.append(line);
    skipping_ = false;
}

QStringList InstallOutputFilter::feed(const QString& line)
{
    QStringList shown;
    feed(line, shown);
    return shown;
}

// The rule as written: one walk over the whole transcript with the block's
// state, the regular expression tried on every line outside the block.
QStringList InstallOutputFilter::filter(const QStringList& lines)
{
    QStringList shown;
    bool skipping = false;
    int counter = 0;
    for (const QString& line : lines) {
        if (!skipping) {
            if (trimmed(line).startsWith(QLatin1String("==> Next steps:"))) {
                skipping = true;
                counter = 0;
            } else if (!timestampPattern().match(line).hasMatch()) {
                shown.append(line);
                if (line.contains(QLatin1String("do not provide support for this old version")))
                    shown.append(oldMacOSNote());
            }
            continue;
        }
        ++counter;
        if (line.contains(documentationMarker())) {
            skipping = false;
            continue;
        }
        const QStringView t = trimmed(line);
        const bool blockLine = t.isEmpty() || t.startsWith(QLatin1Char('-')) || line.startsWith(QLatin1Char(' ')) ||
                               line.startsWith(QLatin1Char('\t'));
        if (!blockLine || counter >= kSkipLimit) {
            shown.append(line);
            skipping = false;
        }
    }
    return shown;
}

}  // namespace varnel
