#pragma once

#include <QFont>
#include <QString>
#include <QUrl>

class QLabel;
class QPushButton;
class QWidget;

// Small shared pieces of the look: fonts, the prominent button, links that
// open in the default browser.
namespace varnel::ui {

QFont titleFont(int pointSize = 26);
QFont headlineFont();
QFont bodyFont();
QFont calloutFont();
QFont footnoteFont();

// A button drawn as the screen's main action.
QPushButton* prominentButton(const QString& text, const QString& accessibilityID, QWidget* parent, bool large = false);
QPushButton* plainButton(const QString& text, const QString& accessibilityID, QWidget* parent);

// A label showing `text` as a link to `url`; clicking opens the default browser.
QLabel* linkLabel(const QString& text, const QUrl& url, QWidget* parent, const QString& accessibilityID = {});
void setLink(QLabel* label, const QString& text, const QUrl& url);

// Opens a URL in the default browser (the workspace operation). Tests replace
// it to record what would have been opened.
void openURL(const QUrl& url);
using URLOpener = void (*)(const QUrl&);
URLOpener setURLOpener(URLOpener opener);

}  // namespace varnel::ui
