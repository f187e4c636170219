#include "engine/probing/ProbeRun.h"

#include <QLoggingCategory>

namespace varnel::probing {

namespace {
Q_LOGGING_CATEGORY(lcProbing, "varnel.probing")
}

std::optional<ProcessResult> runProbe(const ProcessRunning& process, const QString& executable,
                                      const QStringList& arguments)
{
    auto result = process.run(executable, arguments);
    if (!result) {
        qCDebug(lcProbing).noquote() << "Probe" << executable << arguments.join(u' ')
                                     << "could not start:" << result.error().message;
        return std::nullopt;
    }
    return std::move(result).value();
}

QStringList nonEmptyLines(const QString& text)
{
    QStringList lines;
    for (QString line : text.split(u'\n')) {
        if (line.endsWith(u'\r'))
            line.chop(1);
        if (!line.isEmpty())
            lines << line;
    }
    return lines;
}

QString trimmedSpacesAndTabs(const QString& text)
{
    qsizetype begin = 0, end = text.size();
    const auto blank = [](QChar c) { return c == u' ' || c == u'\t'; };
    while (begin < end && blank(text[begin]))
        ++begin;
    while (end > begin && blank(text[end - 1]))
        --end;
    return text.mid(begin, end - begin);
}

std::optional<QString> valueAfterLastMarker(const QString& output, const QString& marker)
{
    const QStringList lines = nonEmptyLines(output);
    for (auto it = lines.crbegin(); it != lines.crend(); ++it) {
        const qsizetype at = it->indexOf(marker);
        if (at < 0)
            continue;
        const QString value = trimmedSpacesAndTabs(it->mid(at + marker.size()));
        if (value.isEmpty())
            return std::nullopt;
        return value;
    }
    return std::nullopt;
}

}  // namespace varnel::probing
