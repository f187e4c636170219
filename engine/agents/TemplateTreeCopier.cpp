#include "engine/agents/TemplateTreeCopier.h"

#include "engine/agents/BundledResources.h"
#include "engine/services/FileSystemOperating.h"

#include <QDir>
#include <QUuid>

#include <algorithm>

namespace varnel {

namespace {
QString destinationName(const QString& name)
{
    return name.startsWith(QStringLiteral("dot.")) ? QLatin1Char('.') + name.mid(4) : name;
}

// CLAUDE.md -> CLAUDE-example.md; a name without an extension gets the suffix at the end.
QString exampleName(const QString& name)
{
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot <= 0)
        return name + QStringLiteral("-example");
    return name.left(dot) + QStringLiteral("-example") + name.mid(dot);
}

bool isAgentInstructions(const QString& name)
{
    return name == QStringLiteral("CLAUDE.md") || name == QStringLiteral("AGENTS.md");
}

QString joined(const QStringList& names) { return names.join(QStringLiteral(" and ")); }
}  // namespace

QString TemplateTreeCopier::homeForm(const QString& path) const
{
    const QString home = QDir::cleanPath(fs_.homeDirectory());
    const QString cleaned = QDir::cleanPath(path);
    if (cleaned == home)
        return QStringLiteral("~");
    if (cleaned.startsWith(home + QLatin1Char('/')))
        return QLatin1Char('~') + cleaned.mid(home.size());
    return cleaned;
}

Expected<Done, ServiceError> TemplateTreeCopier::copyTree(const QString& from, const QString& to, bool merge,
                                                          const QString& relative, KeptFiles& kept) const
{
    auto entries = fs_.contentsOfDirectory(from);
    if (!entries)
        return Expected<Done, ServiceError>::failure(entries.error());
    QStringList names = entries.value();
    std::sort(names.begin(), names.end());
    for (const QString& name : names) {
        const QString source = from + QLatin1Char('/') + name;
        const QString targetName = destinationName(name);
        const QString target = to + QLatin1Char('/') + targetName;
        auto attributes = fs_.attributesOfItem(source);
        if (!attributes)
            return Expected<Done, ServiceError>::failure(attributes.error());

        if (attributes->type == FileAttributes::Type::directory) {
            bool isDirectory = false;
            if (!fs_.fileExists(target, &isDirectory)) {
                if (auto made = fs_.createDirectory(target, false); !made)
                    return made;
                if (auto mode = fs_.setPosixPermissions(attributes->posixPermissions, target); !mode)
                    return mode;
            }
            if (auto copied = copyTree(source, target, merge, relative + targetName + QLatin1Char('/'), kept);
                !copied)
                return copied;
            continue;
        }
        if (attributes->type != FileAttributes::Type::regular)
            continue;
        auto data = fs_.contents(source);
        if (!data)
            return Expected<Done, ServiceError>::failure(data.error());

        QString destination = target;
        if (merge && fs_.attributesOfItem(target)) {
            auto existing = fs_.contents(target);
            if (!isAgentInstructions(targetName) || (existing && existing.value() == data.value()))
                continue;  // the user's own file, or the template's already
            destination = to + QLatin1Char('/') + exampleName(targetName);
            if (fs_.attributesOfItem(destination))
                continue;  // an earlier run's example, or the user's
            kept.emplace_back(relative + targetName, relative + exampleName(targetName));
        }
        // Only ever a new file with the template's mode: nothing that
        // appeared meanwhile is replaced, and a script stays executable.
        if (auto made = fs_.createFile(data.value(), destination, attributes->posixPermissions); !made)
            return made;
    }
    return Done{};
}

StepOutcome TemplateTreeCopier::copy(const QString& from, const QString& to, bool merge) const
{
    bool isDirectory = false;
    if (!fs_.fileExists(from, &isDirectory) || !isDirectory)
        return {{QStringLiteral("Couldn't find the bundled project template at ") + from + QLatin1Char('.')}, false};
    const QString shown = homeForm(to);
    KeptFiles kept;

    if (!merge) {
        if (fs_.attributesOfItem(to))
            return {{QStringLiteral("A project already exists at ") + shown + QStringLiteral(" — leaving it as is.")},
                    true};
        // Built under a hidden name beside the destination, so an interrupted
        // copy never looks like a project that already exists.
        const QString parent = QDir::cleanPath(to + QStringLiteral("/.."));
        const QString partial =
            parent + QStringLiteral("/.varnel-partial-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
        auto done = fs_.createDirectory(parent, true);
        if (done)
            done = fs_.createDirectory(partial, false);
        if (done)
            done = copyTree(from, partial, false, {}, kept);
        if (done)
            done = fs_.moveItem(partial, to);
        if (!done) {
            if (fs_.attributesOfItem(partial))
                (void)fs_.removeItem(partial);
            return {{QStringLiteral("Couldn't create the project at ") + shown + QStringLiteral(": ") +
                     done.error().localizedDescription()},
                    false};
        }
        return {{QStringLiteral("Created your project at ") + shown + QLatin1Char('.')}, true};
    }

    auto done = fs_.fileExists(to) ? Expected<Done, ServiceError>(Done{}) : fs_.createDirectory(to, true);
    if (done)
        done = copyTree(from, to, true, {}, kept);
    if (!done)
        return {{QStringLiteral("Couldn't add the example files to ") + shown + QStringLiteral(": ") +
                 done.error().localizedDescription()},
                false};
    StepOutcome outcome{{QStringLiteral("Added the example files to ") + shown + QLatin1Char('.')}, true};
    if (!kept.empty()) {
        QStringList keptNames, written;
        for (const auto& [mine, example] : kept) {
            keptNames << mine;
            written << example;
        }
        outcome.messages << QStringLiteral("You already had ") + joined(keptNames) + QStringLiteral(" — wrote ") +
                                joined(written) + QStringLiteral(" instead (your files are untouched).");
    }
    return outcome;
}

StepOutcome TemplateTreeCopier::createProject(ProjectTemplate projectTemplate,
                                              const std::optional<QString>& destination,
                                              const BundledResources& resources) const
{
    const QString name = folderName(projectTemplate);
    const auto folder = resources.find(projectTemplatesResourceFolder(), name);
    if (!folder)
        return {{QStringLiteral("Couldn't find the bundled ") + name +
                 QStringLiteral(" template in the app — this build may be missing its project resources.")},
                false};
    if (destination)
        return copy(*folder, *destination, true);
    return copy(*folder, defaultProjectDestination(projectTemplate, fs_.homeDirectory()), false);
}

}  // namespace varnel
