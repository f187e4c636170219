#pragma once

#include "engine/config/AppServices.h"
#include "engine/probing/SystemProfile.h"
#include "ui/AppNavigation.h"

#include <QObject>

#include <optional>

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

signals:
    void profileChanged();

private:
    AppServices services_;
    AppNavigation* navigation_;
    std::optional<SystemProfile> profile_;
};

}  // namespace varnel
