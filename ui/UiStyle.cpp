#include "ui/UiStyle.h"

#include <QDesktopServices>
#include <QLabel>
#include <QPushButton>

namespace varnel::ui {

namespace {
void openWithDesktop(const QUrl& url) { QDesktopServices::openUrl(url); }
URLOpener& opener()
{
    static URLOpener current = &openWithDesktop;
    return current;
}
}  // namespace

QFont titleFont(int pointSize)
{
    QFont f;
    f.setPointSize(pointSize);
    f.setWeight(QFont::DemiBold);
    return f;
}

QFont headlineFont()
{
    QFont f;
    f.setPointSize(15);
    f.setWeight(QFont::DemiBold);
    return f;
}

QFont bodyFont()
{
    QFont f;
    f.setPointSize(13);
    return f;
}

QFont calloutFont()
{
    QFont f;
    f.setPointSize(12);
    return f;
}

QFont footnoteFont()
{
    QFont f;
    f.setPointSize(10);
    return f;
}

QPushButton* prominentButton(const QString& text, const QString& accessibilityID, QWidget* parent, bool large)
{
    auto* button = new QPushButton(text, parent);
    button->setObjectName(accessibilityID);
    button->setDefault(true);
    button->setCursor(Qt::PointingHandCursor);
    const int padding = large ? 12 : 7;
    button->setStyleSheet(QStringLiteral("QPushButton { background: #2f6fde; color: white; border: none; "
                                         "border-radius: 7px; padding: %1px 18px; font-weight: 600; %2 }"
                                         "QPushButton:disabled { background: #9db7e6; }"
                                         "QPushButton:pressed { background: #245bb8; }")
                              .arg(padding)
                              .arg(large ? QStringLiteral("font-size: 15pt;") : QString()));
    return button;
}

QPushButton* plainButton(const QString& text, const QString& accessibilityID, QWidget* parent)
{
    auto* button = new QPushButton(text, parent);
    button->setObjectName(accessibilityID);
    button->setCursor(Qt::PointingHandCursor);
    return button;
}

void setLink(QLabel* label, const QString& text, const QUrl& url)
{
    label->setText(QStringLiteral("<a href=\"%1\">%2</a>").arg(url.toString(QUrl::FullyEncoded), text.toHtmlEscaped()));
}

QLabel* linkLabel(const QString& text, const QUrl& url, QWidget* parent, const QString& accessibilityID)
{
    auto* label = new QLabel(parent);
    label->setObjectName(accessibilityID);
    label->setTextFormat(Qt::RichText);
    label->setTextInteractionFlags(Qt::TextBrowserInteraction);
    label->setOpenExternalLinks(false);
    setLink(label, text, url);
    QObject::connect(label, &QLabel::linkActivated, label, [](const QString& link) { openURL(QUrl(link)); });
    return label;
}

void openURL(const QUrl& url) { opener()(url); }

URLOpener setURLOpener(URLOpener next)
{
    URLOpener previous = opener();
    opener() = next;
    return previous;
}

}  // namespace varnel::ui
