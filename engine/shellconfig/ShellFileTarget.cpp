#include "engine/shellconfig/ShellFileTarget.h"

#include <cerrno>

namespace varnel {

namespace {
QString kindOf(FileAttributes::Type type)
{
    switch (type) {
    case FileAttributes::Type::directory:
        return QStringLiteral("a folder");
    case FileAttributes::Type::fifo:
        return QStringLiteral("a named pipe");
    case FileAttributes::Type::socket:
        return QStringLiteral("a socket");
    default:
        return QStringLiteral("a special file");
    }
}

int errnoFor(FileAttributes::Type type) { return type == FileAttributes::Type::directory ? EISDIR : EINVAL; }

ServiceError refusal(const QString& text, int code) { return ServiceError{text, code, QStringLiteral("posix")}; }
}  // namespace

ShellFileTarget ShellFileTarget::inspect(const FileSystemOperating& fs, const QString& path, bool forWriting)
{
    ShellFileTarget target;
    target.path = path;
    target.writePath = path;

    auto attributes = fs.attributesOfItem(path);
    if (!attributes) {
        if (attributes.error().code == ENOENT) {
            target.state = State::missing;
            if (forWriting) {
                if (auto writable = fs.checkWritable(path); !writable)
                    target.problem = writable.error();
            }
        } else {
            target.state = State::unusable;
            target.problem = attributes.error();
        }
        return target;
    }

    FileAttributes item = attributes.value();
    QString description = path;
    if (item.type == FileAttributes::Type::symbolicLink) {
        if (item.resolvedPath.isEmpty()) {
            target.state = State::unusable;
            target.problem = refusal(path + QStringLiteral(" is a symbolic link that leads nowhere (its target is "
                                                           "missing or the links form a loop)"),
                                     ENOENT);
            return target;
        }
        auto finalItem = fs.attributesOfItem(item.resolvedPath);
        if (!finalItem) {
            target.state = State::unusable;
            target.problem = finalItem.error();
            return target;
        }
        target.writePath = item.resolvedPath;
        description = path + QStringLiteral(" points to ") + item.resolvedPath + QStringLiteral(", which");
        item = finalItem.value();
    }

    if (item.type != FileAttributes::Type::regular) {
        target.state = State::unusable;
        target.problem = refusal(description + QStringLiteral(" is ") + kindOf(item.type)
                                     + QStringLiteral(", not a regular file"),
                                 errnoFor(item.type));
        return target;
    }

    target.posixPermissions = item.posixPermissions;
    auto contents = fs.contents(target.writePath);
    if (!contents) {
        // Without the contents there is nothing to back up and nothing to
        // test for presence, so the file is left alone.
        target.state = State::unusable;
        target.problem = contents.error();
        return target;
    }
    target.state = State::regular;
    target.bytes = std::move(contents).value();
    if (forWriting) {
        if (auto writable = fs.checkWritable(target.writePath); !writable)
            target.problem = writable.error();
    }
    return target;
}

}  // namespace varnel
