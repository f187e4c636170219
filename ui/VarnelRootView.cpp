#include "ui/VarnelRootView.h"

#include "engine/config/ProductConfig.h"
#include "engine/probing/SystemProfiler.h"
#include "engine/remediation/PrivilegedExecutor.h"
#include "engine/services/Background.h"
#include "engine/services/StoppingProcessRunner.h"
#include "engine/telemetry/AppEvents.h"
#include "ui/AppEnvironment.h"
#include "ui/ConsentView.h"
#include "ui/EmptyDestinationView.h"
#include "ui/NavigationStackView.h"
#include "ui/SetupWorkflowView.h"
#include "ui/WelcomeView.h"

#include <QStackedLayout>

namespace varnel {

VarnelRootView::VarnelRootView(AppServices services, QWidget* parent)
    : QWidget(parent), environment_(new AppEnvironment(std::move(services), this))
{
    setObjectName(QStringLiteral("root-view"));
    // A password-dialog folder left by a run that never ended (the app was killed).
    PrivilegedExecutor::removeLeftovers(*environment_->services().fs);
    setMinimumSize(720, 700);
    layout_ = new QStackedLayout(this);

    hasConsented_ = environment_->services().store->boolValue(ProductConfig::current()->consentedKey());
    if (hasConsented_) {
        showNavigation();
    } else {
        auto* consent = new ConsentView(*environment_, [this] {
            hasConsented_ = true;
            showNavigation();
        });
        layout_->addWidget(consent);
    }
}

VarnelRootView::~VarnelRootView() { probeStop_.request_stop(); }

void VarnelRootView::showNavigation()
{
    if (navigationView_)
        return;
    auto* welcome = new WelcomeView(environment_->navigation());
    navigationView_ = new NavigationStackView(environment_->navigation(), welcome,
                                              [this](const Screen& screen) { return makeDestination(screen); });
    connect(navigationView_, &NavigationStackView::firstShown, this, &VarnelRootView::startUpProbe);
    layout_->addWidget(navigationView_);
    if (QWidget* consent = layout_->widget(0); consent != navigationView_) {
        layout_->removeWidget(consent);
        consent->deleteLater();
    }
    layout_->setCurrentWidget(navigationView_);
}

QWidget* VarnelRootView::makeDestination(const Screen& screen)
{
    switch (screen.kind) {
    case Screen::Kind::setupWorkflow: {
        return new SetupWorkflowView(*environment_);
    }
    case Screen::Kind::diagnose:
    case Screen::Kind::audit:
    case Screen::Kind::nextStep:
    case Screen::Kind::contentOffer:
    case Screen::Kind::guidedHelpOffer:
    case Screen::Kind::aiCodingOffer:
        break;
    }
    return new EmptyDestinationView;
}

void VarnelRootView::startUpProbe()
{
    if (probeStarted_)
        return;
    probeStarted_ = true;
    const AppServices& services = environment_->services();
    if (environment_->profile() || services.isFixtureMode) {
        finishStartUpProbe();
        return;
    }
    // The profiler runs dozens of programs; none of that may touch this thread.
    auto task = runInBackground([services, stop = probeStop_.get_token()](std::stop_token) {
        return SystemProfiler(StoppingProcessRunner(*services.processRunner, stop), *services.fs).profile();
    });
    onFinished(task.future, this, [this](SystemProfile profile) {
        environment_->setProfile(std::move(profile));
        finishStartUpProbe();
    });
}

void VarnelRootView::finishStartUpProbe()
{
    // With no profile (fixture mode) the event goes out with empty data.
    environment_->track(events::appLaunched(environment_->profile()));
    emit startUpProbeFinished();
}

}  // namespace varnel
