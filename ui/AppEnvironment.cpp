#include "ui/AppEnvironment.h"

#include "engine/telemetry/TelemetryService.h"

#include <QFileDialog>

namespace varnel {

AppEnvironment::Tracker AppEnvironment::tracker() const
{
    if (tracker_)
        return tracker_;
    return [](const TrackedEvent& event) { TelemetryService::shared().track(event); };
}

std::optional<QString> AppEnvironment::chooseFolder(QWidget* parent, const QString& prompt,
                                                    const QString& confirmLabel) const
{
    if (folderChooser_)
        return folderChooser_(parent, prompt, confirmLabel);
    QFileDialog dialog(parent, prompt);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    dialog.setLabelText(QFileDialog::Accept, confirmLabel);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

}  // namespace varnel
