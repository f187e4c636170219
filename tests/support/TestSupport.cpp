#include "support/TestSupport.h"

#include <QDir>
#include <QTest>
#include <QPixmap>
#include <QWidget>

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

QString saveScreenshot(QWidget* widget, const QString& name)
{
    const QString path = testOutputDirectory(QStringLiteral("screenshots")) + u'/' + name + QStringLiteral(".png");
    return widget->grab().save(path) ? path : QString();
}

}  // namespace varnel::testing
