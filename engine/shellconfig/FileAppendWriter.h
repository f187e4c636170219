#pragma once

#include "engine/services/Expected.h"
#include "engine/services/FileSystemOperating.h"
#include "engine/shellconfig/DiffPreview.h"
#include "engine/shellconfig/PresenceTest.h"
#include "engine/shellconfig/WriteError.h"

#include <QDate>
#include <QString>
#include <QStringList>

namespace varnel {

// Who appended a block. Every block opens with one comment line naming the
// product (and, for some products, the day), so whoever reads the file later
// knows where the block came from.
struct ShellMarker {
    QString name;        // the product's marker ("Varnel")
    bool dated = false;  // today's date goes before the name

    // "# [yyyy-MM-dd ]<name> — <title>"
    QString heading(const QString& title, QDate today = QDate::currentDate()) const;
};

// Every change to a user's shell file goes through here: one commented block
// appended at the end, after the old file was backed up to <file>.bak, and
// nothing at all when the setting is already there.
//
// What the user had is never lost. Bytes are kept as they are (a Latin-1 or
// CRLF file is an exact prefix of the result), a symbolic link stays a link
// and its target receives the block, the file keeps its permission bits, and
// anything that is not a regular file we may write is refused untouched.
class FileAppendWriter {
public:
    using DiffPreview = varnel::DiffPreview;
    using WriteError = varnel::WriteError;

    FileAppendWriter(QString target, const FileSystemOperating& fs, ShellMarker marker)
        : target_(std::move(target)), fs_(&fs), marker_(std::move(marker))
    {
    }

    const QString& target() const { return target_; }
    QString backupPath() const { return target_ + QStringLiteral(".bak"); }

    // Computes the preview and applies it. `lines` may hold several lines
    // separated by line feeds. With `ignoringComments` the needle counts only
    // in lines that are not comments; otherwise anywhere in the file.
    Expected<DiffPreview, WriteError> append(const QString& lines, const QString& title,
                                             const QString& unlessContains, bool ignoringComments) const;
    Expected<DiffPreview, WriteError> append(const QStringList& lines, const QString& title,
                                             const PresenceTest& presence) const;

    // What append() would do, without writing anything.
    DiffPreview preview(const QStringList& lines, const QString& title, const PresenceTest& presence) const;

    // Writes a preview: backup first, then the file. Nothing happens for an
    // alreadySet preview. When the file changed since the preview was taken,
    // the append is worked out again on what the file holds now (so newer
    // text survives, and a setting that arrived meanwhile is not added twice);
    // the preview that was really carried out is returned.
    Expected<DiffPreview, WriteError> apply(const DiffPreview& preview) const;

    // Gives a blank or missing file its descriptive first line. Returns false
    // when the file already has content (and leaves it alone).
    Expected<bool, WriteError> writeFirstLineIfBlank(const QString& line) const;

    // How often apply() starts over on a file that keeps changing under it
    // before it gives up with writeFailed.
    static constexpr int kAttempts = 3;

private:

    DiffPreview previewOf(const QString& currentText, bool exists, QStringList linesAdded,
                          const PresenceTest& presence) const;
    Expected<Done, WriteError> backUp(const struct ShellFileTarget& current, const QString& backupPath) const;

    QString target_;
    const FileSystemOperating* fs_;
    ShellMarker marker_;
};

}  // namespace varnel
