#pragma once

#include <QString>

namespace varnel {

// The example projects the assistant can copy into a folder of the user's.
enum class ProjectTemplate { simple, coding };

// The template's folder among the application's resources, which is also the
// folder name of its default destination under ~/Documents.
QString folderName(ProjectTemplate projectTemplate);

// The resource folder that holds every template folder.
QString projectTemplatesResourceFolder();

// ~/Documents/<folder name> for `home`.
QString defaultProjectDestination(ProjectTemplate projectTemplate, const QString& home);

}  // namespace varnel
