#pragma once

#include "engine/services/AppServices.h"

#include <QWidget>

#include <stop_token>

class QStackedLayout;

namespace varnel {

class AppEnvironment;
class NavigationStackView;

// The window's content: the consent screen until the user has consented,
// then the navigation stack rooted at the welcome screen. When the stack is
// first shown it probes the Mac once and shares the profile with every screen.
class VarnelRootView : public QWidget {
    Q_OBJECT
public:
    explicit VarnelRootView(AppServices services = AppServices::live(), QWidget* parent = nullptr);
    ~VarnelRootView() override;

    AppEnvironment& environment() const { return *environment_; }
    bool hasConsented() const { return hasConsented_; }

signals:
    // The start-up probe finished (with or without a profile).
    void startUpProbeFinished();

private:
    void showNavigation();
    void startUpProbe();
    void finishStartUpProbe();
    QWidget* makeDestination(const struct Screen& screen);

    AppEnvironment* environment_;
    bool hasConsented_ = false;
    bool probeStarted_ = false;
    QStackedLayout* layout_ = nullptr;
    NavigationStackView* navigationView_ = nullptr;
    std::stop_source probeStop_;  // closing the window ends the start-up probe's programs
};

}  // namespace varnel
