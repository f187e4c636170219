#pragma once

#include "engine/services/LiveFileSystem.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <map>
#include <ostream>

// Readable failure messages for the texts these tests compare.
inline void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }

namespace varnel::testing {

// A real, empty home folder in the temporary directory, with a LiveFileSystem
// whose home it is. Names are relative to the home folder.
class AgentTestHome {
public:
    AgentTestHome() : home_(QFileInfo(dir_.path()).canonicalFilePath()), fs_(home_) {}

    const LiveFileSystem& fs() const { return fs_; }
    QString path(const QString& name = {}) const { return name.isEmpty() ? home_ : home_ + '/' + name; }

    void write(const QString& name, const QByteArray& bytes) const
    {
        QDir().mkpath(QFileInfo(path(name)).absolutePath());
        QFile file(path(name));
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            file.write(bytes);
    }
    void mkdir(const QString& name) const { QDir().mkpath(path(name)); }
    QByteArray read(const QString& name) const
    {
        QFile file(path(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    bool exists(const QString& name) const { return QFileInfo(path(name)).exists() || QFileInfo(path(name)).isSymLink(); }

    // Every item under the home folder with its bytes (folders: empty; links:
    // where they point), to tell whether a second run changed anything.
    std::map<QString, QByteArray> snapshot() const
    {
        std::map<QString, QByteArray> items;
        QDirIterator it(home_, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QFileInfo info(it.next());
            const QString name = info.filePath().mid(home_.size() + 1);
            items[name] = info.isSymLink() ? ("-> " + info.symLinkTarget().toUtf8())
                          : info.isDir()   ? QByteArray("<dir>")
                                           : read(name);
        }
        return items;
    }

private:
    QTemporaryDir dir_;
    QString home_;
    LiveFileSystem fs_;
};

// Text that must arrive anywhere exactly as given and run nothing on the way;
// a shell that ran it would leave a file named "ran" in its folder.
inline QString hostileText()
{
    return QStringLiteral("it's \"x\" $(touch ran) `touch ran` \\n back\\slash spaced  Grüße ✓");
}

}  // namespace varnel::testing

#include "engine/agents/StepOutcome.h"

namespace varnel {
inline void PrintTo(const StepOutcome& outcome, std::ostream* os)
{
    *os << (outcome.succeeded ? "succeeded: " : "failed: ") << outcome.messages.join(" | ").toStdString();
}
}  // namespace varnel
