#pragma once

#include "engine/services/AppServices.h"
#include "engine/probing/SystemProfile.h"
#include "engine/telemetry/TrackedEvent.h"
#include "ui/AppNavigation.h"

#include <QObject>
#include <QString>

#include <functional>
#include <optional>

class QWidget;

namespace varnel {

// What the root view hands to every screen: the navigation stack, the Mac's
// profile once the start-up probe has it, and the platform services.
class AppEnvironment : public QObject {
    Q_OBJECT
public:
    explicit AppEnvironment(AppServices services, QObject* parent = nullptr)
        : QObject(parent), services_(std::move(services)), navigation_(new AppNavigation(this)) {}

    const AppServices& services() const { return services_; }
    AppNavigation& navigation() const { return *navigation_; }

    const std::optional<SystemProfile>& profile() const { return profile_; }
    void setProfile(std::optional<SystemProfile> profile)
    {
        profile_ = std::move(profile);
        emit profileChanged();
    }

    // Usage events from screens go through here: to the shared telemetry
    // service unless a tracker was set (tests record them instead).
    using Tracker = std::function<void(const TrackedEvent&)>;
    void setTracker(Tracker tracker) { tracker_ = std::move(tracker); }
    Tracker tracker() const;
    void track(const TrackedEvent& event) const { tracker()(event); }

    // Asks the user for a folder: the chosen path, or nothing when cancelled.
    // A directory-only open panel unless a chooser was set (tests and the
    // scripted runs answer it themselves).
    using FolderChooser =
        std::function<std::optional<QString>(QWidget* parent, const QString& prompt, const QString& confirmLabel)>;
    void setFolderChooser(FolderChooser chooser) { folderChooser_ = std::move(chooser); }
    std::optional<QString> chooseFolder(QWidget* parent, const QString& prompt, const QString& confirmLabel) const;

signals:
    void profileChanged();

private:
    AppServices services_;
    AppNavigation* navigation_;
    std::optional<SystemProfile> profile_;
    Tracker tracker_;
    FolderChooser folderChooser_;
};

}  // namespace varnel
