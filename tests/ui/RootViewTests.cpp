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

#include <QLabel>
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

    QStringList labelTexts(QWidget* root)
    {
        QStringList texts;
        for (QLabel* label : root->findChildren<QLabel*>())
            if (label->isVisibleTo(root))
                texts << label->text();
        return texts;
    }

    std::shared_ptr<InMemoryKeyValueStore> store = std::make_shared<InMemoryKeyValueStore>();
    QList<TrackedEvent> events;
    AppEnvironment::Tracker recorder = [this](const TrackedEvent& e) { events << e; };
};

}  // namespace

TEST_F(RootViewTest, firstLaunchAsksForConsentThenShowsWelcome)
{
    const QString key = ProductConfig::current()->consentedKey();
    VarnelRootView root(fixtureServices());
    root.environment().setTracker(recorder);
    root.resize(720, 720);
    root.show();

    EXPECT_TRUE(labelTexts(&root).contains(QStringLiteral("What this app does")));
    auto* privacy = findByID<QLabel>(&root, QStringLiteral("consent-privacy-link"));
    ASSERT_NE(privacy, nullptr);
    EXPECT_TRUE(privacy->text().contains(QStringLiteral("/varnel/privacy")));
    saveScreenshot(&root, QStringLiteral("consent"));

    EXPECT_FALSE(store->boolValue(key));
    auto* cont = findByID<QPushButton>(&root, QStringLiteral("consent-continue"));
    ASSERT_NE(cont, nullptr);
    QTest::mouseClick(cont, Qt::LeftButton);

    EXPECT_TRUE(store->boolValue(key));
    EXPECT_TRUE(root.hasConsented());
    ASSERT_FALSE(events.isEmpty());
    EXPECT_EQ(events.first().name, QStringLiteral("consent_given"));
    EXPECT_TRUE(events.first().data.empty());
    EXPECT_TRUE(waitUntil([&] { return root.findChild<QWidget*>(QStringLiteral("consent-view")) == nullptr; }));
    auto* button = findByID<QPushButton>(&root, QStringLiteral("welcome-diagnose-button"));
    ASSERT_NE(button, nullptr);
    EXPECT_TRUE(button->isVisible());
    EXPECT_EQ(button->text(), QStringLiteral("Check my setup"));
    saveScreenshot(&root, QStringLiteral("welcome"));
}

TEST_F(RootViewTest, consentedLaunchGoesStraightToWelcomeAndPushesTheWorkflow)
{
    store->setValue(ProductConfig::current()->consentedKey(), QVariant(true));
    VarnelRootView root(fixtureServices());
    root.environment().setTracker(recorder);
    QSignalSpy probed(&root, &VarnelRootView::startUpProbeFinished);
    root.show();

    EXPECT_EQ(root.findChild<QWidget*>(QStringLiteral("consent-view")), nullptr);
    EXPECT_TRUE(labelTexts(&root).contains(QStringLiteral("Varnel to build software")));
    // In fixture mode the start-up probe finishes without probing anything.
    EXPECT_TRUE(probed.count() == 1 || probed.wait(2000));
    EXPECT_FALSE(root.environment().profile().has_value());
    ASSERT_EQ(events.size(), 1);
    EXPECT_EQ(events.first().name, QStringLiteral("app_launched"));
    EXPECT_TRUE(events.first().data.empty());

    auto* button = findByID<QPushButton>(&root, QStringLiteral("welcome-diagnose-button"));
    ASSERT_NE(button, nullptr);
    QTest::mouseClick(button, Qt::LeftButton);
    ASSERT_EQ(root.environment().navigation().path().size(), 1);
    EXPECT_EQ(root.environment().navigation().path().first(), Screen::setupWorkflow());
    EXPECT_NE(root.findChild<QWidget*>(QStringLiteral("setup-workflow")), nullptr);

    // A destination with nothing to show is an empty screen, not a crash; back pops it.
    root.environment().navigation().push(Screen::nextStep());
    EXPECT_NE(root.findChild<QWidget*>(QStringLiteral("empty-destination")), nullptr);
    auto* back = findByID<QPushButton>(&root, QStringLiteral("navigation-back"));
    ASSERT_NE(back, nullptr);
    QTest::mouseClick(back, Qt::LeftButton);
    QTest::mouseClick(back, Qt::LeftButton);
    EXPECT_TRUE(root.environment().navigation().path().isEmpty());
    EXPECT_FALSE(back->isVisibleTo(&root));
}

TEST_F(RootViewTest, theJavaMedicsButtonPushesDiagnose)
{
    ProductConfig::setCurrent(products::javaMedic());
    store->setValue(ProductConfig::current()->consentedKey(), QVariant(true));
    VarnelRootView root(fixtureServices());
    root.show();
    EXPECT_TRUE(labelTexts(&root).contains(QStringLiteral("Kestrane Medic for Java")));
    auto* button = findByID<QPushButton>(&root, QStringLiteral("welcome-diagnose-button"));
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->text(), QStringLiteral("Diagnose Java"));
    QTest::mouseClick(button, Qt::LeftButton);
    ASSERT_EQ(root.environment().navigation().path().size(), 1);
    EXPECT_EQ(root.environment().navigation().path().first(), Screen::diagnose());
}

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
