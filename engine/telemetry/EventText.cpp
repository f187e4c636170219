#include "engine/telemetry/EventText.h"

#include <QRegularExpression>
#include <QStringList>
#include <QTextBoundaryFinder>

#include <pwd.h>
#include <unistd.h>

namespace varnel::events {

QString scrubbedHomePath(const QString& path, const QString& loginName)
{
    if (loginName.isEmpty())
        return path;
    QString scrubbed = path;
    return scrubbed.replace(QStringLiteral("/Users/") + loginName + u'/', QStringLiteral("/Users/~/"));
}

QString truncatedToCharacters(const QString& text, int limit)
{
    if (limit < 0)
        limit = 0;
    // Fewer UTF-16 units than the limit means fewer characters too.
    if (text.size() <= limit)
        return text;
    QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, text);
    int characters = 0;
    for (qsizetype boundary = graphemes.toNextBoundary(); boundary != -1; boundary = graphemes.toNextBoundary()) {
        if (++characters == limit)
            return boundary < text.size() ? text.left(boundary) : text;
    }
    return text;
}

std::optional<QString> trimmedOrNull(const QString& text, int limit)
{
    QString trimmed = text.trimmed();
    if (limit > 0)
        trimmed = truncatedToCharacters(trimmed, limit);
    if (trimmed.isEmpty())
        return std::nullopt;
    return trimmed;
}

QString javaVersionExcerpt(const QString& output)
{
    static const QRegularExpression newline(QStringLiteral("[\\r\\n]"));
    const QStringList lines = output.split(newline, Qt::SkipEmptyParts);
    if (lines.isEmpty())
        return {};
    QString chosen = lines.first();
    for (const QString& line : lines) {
        if (line.contains(QStringLiteral("version \""))) {
            chosen = line;
            break;
        }
    }
    return truncatedToCharacters(chosen, 200);
}

QString currentLoginName()
{
    if (const passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_name)
        return QString::fromLocal8Bit(entry->pw_name);
    return qEnvironmentVariable("USER");
}

}  // namespace varnel::events
