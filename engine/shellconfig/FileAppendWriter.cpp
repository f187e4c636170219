#include "engine/shellconfig/FileAppendWriter.h"

#include "engine/shellconfig/ShellFileTarget.h"

#include <QLocale>

#include <cerrno>

namespace varnel {

namespace {
// A non-empty file always gets at least one empty line before the block.
QByteArray separatorAfter(const QByteArray& contents)
{
    if (contents.isEmpty() || contents.endsWith("\n\n"))
        return {};
    return contents.endsWith('\n') ? QByteArrayLiteral("\n") : QByteArrayLiteral("\n\n");
}

QString separatorAfter(const QString& contents)
{
    if (contents.isEmpty() || contents.endsWith(u"\n\n"))
        return {};
    return contents.endsWith(u'\n') ? QStringLiteral("\n") : QStringLiteral("\n\n");
}

QString blockText(const QStringList& lines) { return lines.join(u'\n') + u'\n'; }
}  // namespace

QString ShellMarker::heading(const QString& title, QDate today) const
{
    QString text = QStringLiteral("# ");
    if (dated)
        text += QLocale::c().toString(today, QStringLiteral("yyyy-MM-dd")) + u' ';
    return text + name + QStringLiteral(" \u2014 ") + title;
}

DiffPreview FileAppendWriter::previewOf(const QString& currentText, bool exists, QStringList linesAdded,
                                        const PresenceTest& presence) const
{
    DiffPreview preview;
    preview.path = target_;
    preview.backupPath = backupPath();
    preview.originalContents = currentText;
    preview.wasCreated = !exists;
    preview.presence = presence;
    preview.alreadySet = presence.isSatisfiedBy(currentText);
    if (preview.alreadySet) {
        preview.proposedContents = currentText;
    } else {
        preview.proposedContents = currentText + separatorAfter(currentText) + blockText(linesAdded);
        preview.linesAdded = std::move(linesAdded);
    }
    return preview;
}

DiffPreview FileAppendWriter::preview(const QStringList& lines, const QString& title,
                                      const PresenceTest& presence) const
{
    QStringList block{marker_.heading(title)};
    block += lines;
    // A file that cannot be read (a named pipe, a folder) shows as empty
    // here; apply() refuses it with a message that says why.
    const ShellFileTarget current = ShellFileTarget::inspect(*fs_, target_, false);
    return previewOf(current.text(), current.exists(), std::move(block), presence);
}

Expected<DiffPreview, WriteError> FileAppendWriter::append(const QStringList& lines, const QString& title,
                                                           const PresenceTest& presence) const
{
    return apply(preview(lines, title, presence));
}

Expected<DiffPreview, WriteError> FileAppendWriter::append(const QString& lines, const QString& title,
                                                           const QString& unlessContains,
                                                           bool ignoringComments) const
{
    const PresenceTest presence = ignoringComments ? PresenceTest::inNonCommentLine(unlessContains)
                                                   : PresenceTest::anywhere(unlessContains);
    return append(lines.split(u'\n'), title, presence);
}

Expected<DiffPreview, WriteError> FileAppendWriter::apply(const DiffPreview& preview) const
{
    using Result = Expected<DiffPreview, WriteError>;
    if (preview.alreadySet || preview.linesAdded.isEmpty())
        return preview;

    // An editor may save the file while we work. Whatever it saved must
    // survive: the new file is built from the bytes read last, and the file is
    // looked at once more right before it is replaced; when it changed, the
    // append starts over on the newer contents.
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        const ShellFileTarget current = ShellFileTarget::inspect(*fs_, preview.path, true);
        if (current.problem)
            return Result::failure(WriteError::writeFailed(*current.problem));

        DiffPreview effective = preview;
        const QString currentText = current.text();
        if (current.exists() == preview.wasCreated || currentText != preview.originalContents) {
            effective = previewOf(currentText, current.exists(), preview.linesAdded, preview.presence);
            effective.path = preview.path;
            effective.backupPath = preview.backupPath;
            if (effective.alreadySet)
                return effective;
        }

        if (auto backedUp = backUp(current, effective.backupPath); !backedUp)
            return Result::failure(backedUp.error());

        const ShellFileTarget again = ShellFileTarget::inspect(*fs_, preview.path, true);
        if (again.exists() != current.exists() || again.bytes != current.bytes)
            continue;

        // The new file is the old bytes unchanged, then the block.
        const QByteArray proposed =
            current.bytes + separatorAfter(current.bytes) + blockText(effective.linesAdded).toUtf8();
        if (auto written = fs_->writeData(proposed, current.writePath, true); !written)
            return Result::failure(WriteError::writeFailed(written.error()));
        return effective;
    }
    return Result::failure(WriteError::writeFailed(ServiceError{
        preview.path + QStringLiteral(" kept changing while we tried to add to it; nothing was written"), EAGAIN,
        QStringLiteral("posix")}));
}

Expected<Done, WriteError> FileAppendWriter::backUp(const ShellFileTarget& current, const QString& backupPath) const
{
    using Result = Expected<Done, WriteError>;
    // One generation of backup. Only a file or a link is cleared out of the
    // way; a folder that happens to carry the name is the user's and stays.
    if (auto old = fs_->attributesOfItem(backupPath)) {
        const auto type = old.value().type;
        if (type != FileAttributes::Type::regular && type != FileAttributes::Type::symbolicLink)
            return Result::failure(WriteError::backupFailed(
                ServiceError{backupPath + QStringLiteral(" is in the way and is not a regular file"), EEXIST,
                             QStringLiteral("posix")}));
        if (auto removed = fs_->removeItem(backupPath); !removed)
            return Result::failure(WriteError::backupFailed(removed.error()));
    }
    // The backup holds exactly the bytes the new file is built from (bytes
    // that are not UTF-8 survive) and the file's own permissions from its
    // first moment, so a private file's copy is never readable by others. It
    // is created where nothing is: a link planted at the name after the old
    // backup went is refused, not written through.
    const int permissions = current.exists() ? current.posixPermissions : 0600;
    if (auto created = fs_->createFile(current.bytes, backupPath, permissions); !created)
        return Result::failure(WriteError::backupFailed(created.error()));
    return Done{};
}

Expected<bool, WriteError> FileAppendWriter::writeFirstLineIfBlank(const QString& line) const
{
    using Result = Expected<bool, WriteError>;
    const ShellFileTarget current = ShellFileTarget::inspect(*fs_, target_, true);
    if (current.problem)
        return Result::failure(WriteError::writeFailed(*current.problem));
    if (!current.text().trimmed().isEmpty())
        return false;
    if (auto written = fs_->writeText(line + u'\n', current.writePath, true); !written)
        return Result::failure(WriteError::writeFailed(written.error()));
    return true;
}

}  // namespace varnel
