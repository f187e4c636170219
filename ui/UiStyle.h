#pragma once

#include <QColor>
#include <QFont>
#include <QString>
#include <QUrl>

#include <functional>

class QCheckBox;
class QLabel;
class QLayout;
class QPalette;
class QPushButton;
class QWidget;

// The look shared by every screen: one spacing scale, the Mac's text sizes,
// colours taken from the palette (so dark mode follows the system), the
// prominent button, links that open in the default browser.
namespace varnel::ui {

// The spacing scale; every margin and gap on a screen is one of these.
namespace spacing {
inline constexpr int hairline = 4;  // a caption under its control
inline constexpr int tight = 8;     // items of one group, buttons of a row
inline constexpr int regular = 12;  // paragraphs and controls of a screen
inline constexpr int section = 24;  // between groups
inline constexpr int margin = 32;   // around every screen
}  // namespace spacing

// Text sizes as the Mac's text styles, in points (one point is one
// device-independent pixel there, and here too, so every platform draws the
// same sizes).
namespace textSize {
inline constexpr int largeTitle = 26;
inline constexpr int title = 22;
inline constexpr int headline = 15;
inline constexpr int body = 13;
inline constexpr int callout = 12;
inline constexpr int footnote = 10;
}  // namespace textSize

QFont titleFont(int pointSize = textSize::largeTitle);
QFont headlineFont();
QFont bodyFont();
QFont calloutFont();
QFont footnoteFont();

// Colours, from the application's palette.
QColor accentColor(const QPalette& palette);
QColor secondaryTextColor(const QPalette& palette);
QColor faintFillColor(const QPalette& palette);  // behind cards, notices and plain buttons
QColor separatorColor(const QPalette& palette);
// A colour for a style sheet ("#aarrggbb").
QString css(const QColor& color);

// Styles `widget` with the sheet `sheet` makes from the application's
// palette, now and whenever that palette changes (the Mac switching between
// light and dark). Call again to restyle after the widget's state changed.
void styleFromPalette(QWidget* widget, const std::function<QString(const QPalette&)>& sheet);
// A label in the secondary text colour.
void setSecondary(QLabel* label);
// A wrapped caption under a control or a line: callout size, secondary colour.
QLabel* captionLabel(const QString& text, QWidget* parent, const QString& accessibilityID = {});
// A label saying what is wrong, in the system's red.
void setError(QLabel* label);

// The screen's main action, drawn in the accent colour. Return presses it
// through the screen (ScreenScaffold::setPrimaryButtons). Large only for the
// one call to action of a screen with nothing else to press.
QPushButton* prominentButton(const QString& text, const QString& accessibilityID, QWidget* parent, bool large = false);
QPushButton* plainButton(const QString& text, const QString& accessibilityID, QWidget* parent);
// A button drawn as text in the accent colour.
QPushButton* borderlessButton(const QString& text, const QString& accessibilityID, QWidget* parent);

// What a screen reader says for `widget`: its name and what it does.
void describe(QWidget* widget, const QString& name, const QString& description);

// A row of buttons at the trailing edge, the main one last.
QLayout* buttonRow(std::initializer_list<QWidget*> buttons);
// How far a checkbox's text starts from its left edge: captions and fields
// that belong to the checkbox are indented by this much, to line up with it.
int checkboxTextIndent(const QCheckBox* checkbox);

// A label showing `text` as a link to `url`; clicking opens the default browser.
QLabel* linkLabel(const QString& text, const QUrl& url, QWidget* parent, const QString& accessibilityID = {});
void setLink(QLabel* label, const QString& text, const QUrl& url);

// Opens a URL in the default browser (the workspace operation). Tests replace
// it to record what would have been opened.
void openURL(const QUrl& url);
using URLOpener = void (*)(const QUrl&);
URLOpener setURLOpener(URLOpener opener);

}  // namespace varnel::ui
