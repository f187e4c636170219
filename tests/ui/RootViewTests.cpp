#include "app/CommandLineProduct.h"
#include "engine/config/Products.h"
#include "support/FakeFileSystem.h"
#include "support/FakeProcessRunner.h"
#include "support/InMemoryKeyValueStore.h"
#include "support/TestSupport.h"
#include "engine/services/Background.h"
#include "ui/AppEnvironment.h"
#include "ui/NavigationStackView.h"
#include "ui/VarnelRootView.h"

#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

using namespace varnel;
using namespace varnel::testing;

namespace {

class RootViewTest : public ::testing::Test {
protected:
    void SetUp() override { ProductConfig::setCurrent(products::commandLine()); }

    AppServices fixtureServices()
    {
        AppServices s;
        s.processRunner = std::make_shared<FakeProcessRunner>();
        s.fs = std::make_shared<FakeFileSystem>();
        s.http = AppServices::live().http;
        s.store = store;
        s.isFixtureMode = true;
        return s;
    }

    std::shared_ptr<InMemoryKeyValueStore> store = std::make_shared<InMemoryKeyValueStore>();
    QList<TrackedEvent> events;
    AppEnvironment::Tracker recorder = [this](const TrackedEvent& e) { events << e; };
};

}  // namespace

TEST(NavigationStack, keepsScreensStillOnThePathAndDestroysPoppedOnes)
{
    AppNavigation navigation;
    int built = 0;
    NavigationStackView view(navigation, new QWidget, [&](const Screen&) {
        ++built;
        return new QWidget;
    });
    navigation.push(Screen::setupWorkflow());
    QWidget* first = view.currentScreen();
    navigation.push(Screen::contentOffer(QStringLiteral("a")));
    navigation.setPath({Screen::setupWorkflow(), Screen::contentOffer(QStringLiteral("b"))});
    EXPECT_EQ(built, 3);  // the workflow screen was kept, offer "a" replaced by "b"
    navigation.pop();
    EXPECT_EQ(view.currentScreen(), first);
    navigation.popToRoot();
    EXPECT_EQ(built, 3);
}

TEST_F(RootViewTest, closingTheWindowMidProbeEndsTheProbesPrograms)
{
    store->setValue(ProductConfig::current()->consentedKey(), QVariant(true));
    auto services = fixtureServices();
    services.isFixtureMode = false;
    auto runner = std::make_shared<FakeProcessRunner>();
    // Every program the profiler starts hangs until it is stopped.
    runner->setFallback([](const QString&, const QStringList&) {
        FakeProcessRunner::Response hang;
        hang.result = ProcessResult{0, {}, {}};
        hang.delay = std::chrono::minutes(5);
        return std::optional(hang);
    });
    services.processRunner = runner;
    {
        VarnelRootView root(services);
        root.show();
        ASSERT_TRUE(QTest::qWaitFor([&] { return runner->calls().size() > 3; }, 5000));
    }
    // The profiler's workers end as soon as their programs are stopped.
    EXPECT_TRUE(backgroundPool().waitForDone(3000));
}

TEST_F(RootViewTest, probesTheMacOnceAfterConsentAndSharesTheProfile)
{
    auto services = fixtureServices();
    services.isFixtureMode = false;
    auto runner = std::make_shared<FakeProcessRunner>();
    runner->on(QStringLiteral("/usr/bin/uname -m"), ProcessResult{0, QStringLiteral("arm64\n"), {}});
    services.processRunner = runner;
    VarnelRootView root(services);
    root.environment().setTracker(recorder);
    QSignalSpy probed(&root, &VarnelRootView::startUpProbeFinished);
    root.show();
    EXPECT_EQ(runner->callCount(QStringLiteral("/usr/bin/uname -m")), 0);  // not before consent

    QTest::mouseClick(findByID<QPushButton>(&root, QStringLiteral("consent-continue")), Qt::LeftButton);
    ASSERT_TRUE(probed.count() == 1 || probed.wait(10000));
    ASSERT_TRUE(root.environment().profile().has_value());
    EXPECT_EQ(root.environment().profile()->architecture, Architecture::appleSilicon);
    EXPECT_EQ(runner->callCount(QStringLiteral("/usr/bin/uname -m")), 1);
    ASSERT_EQ(events.size(), 2);
    EXPECT_EQ(events[1].name, QStringLiteral("app_launched"));
    EXPECT_FALSE(events[1].data.empty());
}
