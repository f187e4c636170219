#include "engine/shellconfig/PresenceTest.h"

#include <QList>
#include <QStringView>

namespace varnel {

namespace {
bool isBlank(QChar c) { return c == u' ' || c == u'\t'; }

QStringView trimmedOfSpacesAndTabs(QStringView line)
{
    qsizetype start = 0, end = line.size();
    while (start < end && isBlank(line[start]))
        ++start;
    while (end > start && isBlank(line[end - 1]))
        --end;
    return line.mid(start, end - start);
}
}  // namespace

bool PresenceTest::isSatisfiedBy(const QString& contents) const
{
    if (rule == Rule::anywhere)
        return contents.contains(needle);

    QStringView text(contents);
    // A byte-order mark would otherwise hide the "#" of a first-line comment.
    if (text.startsWith(QChar(0xFEFF)))
        text = text.mid(1);
    for (QStringView line : text.split(u'\n', Qt::SkipEmptyParts)) {
        const QStringView trimmed = trimmedOfSpacesAndTabs(line);
        if (trimmed.startsWith(u'#'))
            continue;
        const bool found = rule == Rule::inNonCommentLine ? trimmed.contains(needle) : trimmed.startsWith(needle);
        if (found)
            return true;
    }
    return false;
}

}  // namespace varnel
