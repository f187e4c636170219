#pragma once

#include <QString>
#include <QStringList>

namespace varnel {

// What of an installer's output a beginner sees: macOS system log lines
// (timestamp, process[pid:tid]) and Homebrew's closing "Next steps" block
// (commands the assistant runs for the user) are dropped, and Homebrew's
// "old version" warning on macOS 13 gets a reassuring note.
//
// filter() is the whole rule as a pure function of the transcript. A screen
// that shows a growing transcript feeds each new line to one instance
// instead (feed() gives the lines to show for it), which costs the same per
// line however long the transcript gets; the two always agree.
class InstallOutputFilter {
public:
    static QStringList filter(const QStringList& lines);

    // The lines to show for the next line of the transcript (none, the line,
    // or the line and its note), appended to `shown`.
    void feed(const QString& line, QStringList& shown);
    QStringList feed(const QString& line);

    // The host of Homebrew's documentation, whose link ends the Next steps block.
    static QString documentationMarker() { return QStringLiteral("docs.brew.sh"); }
    static QString oldMacOSNote();

private:
    bool skipping_ = false;
    int counter_ = 0;
};

}  // namespace varnel
