#include "support/TestSupport.h"

#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QProgressBar>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

namespace varnel::testing {

QString testOutputDirectory(const QString& subfolder)
{
    const QString dir = QStringLiteral(VARNEL_TEST_OUTPUT_DIR) + u'/' + subfolder;
    QDir().mkpath(dir);
    return dir;
}

bool waitUntil(const std::function<bool()>& condition, int timeoutMs)
{
    return QTest::qWaitFor(condition, timeoutMs);
}

void pressKey(QWidget* window, int key)
{
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    QWidget* focus = QApplication::focusWidget();
    ASSERT_TRUE(focus && window->isAncestorOf(focus)) << "no control has the keyboard focus";
    QTest::keyClick(focus, Qt::Key(key));
}

QPalette macPalette(bool dark)
{
    const auto c = [](const char* name) { return QColor(QString::fromLatin1(name)); };
    const QColor window = dark ? c("#323232") : c("#ececec");
    const QColor text = dark ? c("#dfdfdf") : c("#262626");
    QPalette p(text, window, dark ? c("#6a6a6a") : c("#ffffff"), dark ? c("#1a1a1a") : c("#a0a0a0"),
               dark ? c("#505050") : c("#c8c8c8"), text, dark ? c("#ffffff") : c("#000000"),
               dark ? c("#1e1e1e") : c("#ffffff"), window);
    p.setColor(QPalette::Button, dark ? c("#555555") : c("#ffffff"));
    p.setColor(QPalette::ButtonText, text);
    p.setColor(QPalette::AlternateBase, dark ? c("#262626") : c("#f4f5f5"));
    p.setColor(QPalette::Highlight, dark ? c("#0a84ff") : c("#007aff"));
    p.setColor(QPalette::HighlightedText, c("#ffffff"));
    p.setColor(QPalette::Link, dark ? c("#419cff") : c("#0068da"));
    p.setColor(QPalette::PlaceholderText, dark ? c("#6e6e6e") : c("#a0a0a0"));
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        p.setColor(QPalette::Disabled, role, dark ? c("#6e6e6e") : c("#a0a0a0"));
    return p;
}

namespace {
// The system switching between light and dark. Outside the event loop
// (tests never start it) Qt tells no widget, so this does, as the running
// application would.
void switchPalette(const QPalette& palette)
{
    QApplication::setPalette(palette);
    QEvent change(QEvent::ApplicationPaletteChange);
    for (QWidget* widget : QApplication::allWidgets())
        QCoreApplication::sendEvent(widget, &change);
}
}  // namespace

QStringList controlsWithoutAccessibleText(QWidget* root)
{
    QStringList missing;
    for (QWidget* widget : root->findChildren<QWidget*>()) {
        const bool control = (widget->focusPolicy() & Qt::TabFocus) || qobject_cast<QProgressBar*>(widget);
        if (!control || !widget->isVisibleTo(root) || widget->focusProxy())
            continue;
        if (widget->accessibleName().isEmpty() || widget->accessibleDescription().isEmpty())
            missing << (widget->objectName().isEmpty() ? QString::fromLatin1(widget->metaObject()->className())
                                                       : widget->objectName());
    }
    return missing;
}

QString saveScreenshot(QWidget* widget, const QString& name)
{
    const QStringList unnamed = controlsWithoutAccessibleText(widget);
    EXPECT_TRUE(unnamed.isEmpty()) << "no accessible name or description on " << name.toStdString() << ": "
                                   << unnamed.join(QStringLiteral(", ")).toStdString();
    const QString base = testOutputDirectory(QStringLiteral("screenshots")) + u'/' + name;
    const bool saved = widget->grab().save(base + QStringLiteral(".png"));
    const QPalette light = QApplication::palette();
    switchPalette(macPalette(true));
    const bool savedDark = widget->grab().save(base + QStringLiteral("-dark.png"));
    switchPalette(light);
    return saved && savedDark ? base + QStringLiteral(".png") : QString();
}

}  // namespace varnel::testing
