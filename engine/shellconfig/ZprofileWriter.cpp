#include "engine/shellconfig/ZprofileWriter.h"

#include <QDir>

namespace varnel {

ZprofileWriter::ZprofileWriter(const FileSystemOperating& fs, ShellMarker marker)
    : writer_(QDir(fs.homeDirectory()).filePath(QStringLiteral(".zprofile")), fs, std::move(marker))
{
}

DiffPreview ZprofileWriter::javaHomePreview(bool includePath) const
{
    QStringList lines{QStringLiteral("export JAVA_HOME=$(/usr/libexec/java_home)")};
    if (includePath)
        lines << QStringLiteral("export PATH=\"$JAVA_HOME/bin:$PATH\"");
    return writer_.preview(lines, QStringLiteral("Java configuration"),
                           PresenceTest::atNonCommentLineStart(QStringLiteral("export JAVA_HOME=")));
}

}  // namespace varnel
