#include "engine/agents/ProjectTemplate.h"

namespace varnel {

QString folderName(ProjectTemplate projectTemplate)
{
    return projectTemplate == ProjectTemplate::coding ? QStringLiteral("AI-Coding-Project")
                                                      : QStringLiteral("AI-Simple-Project");
}

QString projectTemplatesResourceFolder() { return QStringLiteral("example-projects"); }

QString defaultProjectDestination(ProjectTemplate projectTemplate, const QString& home)
{
    return home + QStringLiteral("/Documents/") + folderName(projectTemplate);
}

}  // namespace varnel
