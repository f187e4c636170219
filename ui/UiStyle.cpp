#include "ui/UiStyle.h"

#include <QCheckBox>
#include <QDesktopServices>
#include <QEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPalette>
#include <QPushButton>
#include <QStyle>

namespace varnel::ui {

namespace {
void openWithDesktop(const QUrl& url) { QDesktopServices::openUrl(url); }
URLOpener& opener()
{
    static URLOpener current = &openWithDesktop;
    return current;
}

QColor withAlpha(QColor color, double alpha)
{
    color.setAlphaF(float(alpha));
    return color;
}

// Draws its widget again from the application's palette whenever that changes.
class PaletteFollower : public QObject {
public:
    explicit PaletteFollower(QWidget* widget) : QObject(widget)
    {
        setObjectName(QStringLiteral("palette-follower"));
        widget->installEventFilter(this);
    }

    static PaletteFollower* of(QWidget* widget)
    {
        for (QObject* child : widget->children())
            if (child->objectName() == QStringLiteral("palette-follower"))
                if (auto* follower = dynamic_cast<PaletteFollower*>(child))
                    return follower;
        return new PaletteFollower(widget);
    }

    void setApply(std::function<void()> apply)
    {
        apply_ = std::move(apply);
        apply_();
    }

    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::ApplicationPaletteChange || event->type() == QEvent::PaletteChange)
            apply_();
        return false;
    }

private:
    std::function<void()> apply_;
};

QFont font(int size, QFont::Weight weight = QFont::Normal)
{
    QFont f;
    f.setPixelSize(size);
    f.setWeight(weight);
    return f;
}
}  // namespace

QFont titleFont(int pointSize) { return font(pointSize, QFont::DemiBold); }
QFont headlineFont() { return font(textSize::headline, QFont::DemiBold); }
QFont bodyFont() { return font(textSize::body); }
QFont calloutFont() { return font(textSize::callout); }
QFont footnoteFont() { return font(textSize::footnote); }

QColor accentColor(const QPalette& palette) { return palette.color(QPalette::Highlight); }
QColor secondaryTextColor(const QPalette& palette) { return withAlpha(palette.color(QPalette::WindowText), 0.6); }
QColor faintFillColor(const QPalette& palette) { return withAlpha(palette.color(QPalette::WindowText), 0.07); }
QColor separatorColor(const QPalette& palette) { return withAlpha(palette.color(QPalette::WindowText), 0.16); }

QString css(const QColor& color)
{
    return color.name(QColor::HexArgb);
}

void styleFromPalette(QWidget* widget, const std::function<QString(const QPalette&)>& sheet)
{
    PaletteFollower::of(widget)->setApply([widget, sheet] {
        // The sheet comes from the application's palette, not the widget's
        // (which the sheet itself changes), so applying it settles at once.
        const QString next = sheet(QGuiApplication::palette());
        if (widget->styleSheet() != next)
            widget->setStyleSheet(next);
    });
}

void setSecondary(QLabel* label)
{
    styleFromPalette(label, [](const QPalette& p) {
        return QStringLiteral("QLabel { color: %1; }").arg(css(secondaryTextColor(p)));
    });
}

QLabel* captionLabel(const QString& text, QWidget* parent, const QString& accessibilityID)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(accessibilityID);
    label->setWordWrap(true);
    label->setFont(calloutFont());
    setSecondary(label);
    return label;
}

void setError(QLabel* label)
{
    styleFromPalette(label, [](const QPalette& p) {
        // The Mac's system red, a little lighter in dark mode.
        const bool dark = p.color(QPalette::Window).lightness() < 128;
        return QStringLiteral("QLabel { color: %1; }").arg(dark ? QStringLiteral("#ff453a") : QStringLiteral("#d70015"));
    });
}

int checkboxTextIndent(const QCheckBox* checkbox)
{
    const QStyle* style = checkbox->style();
    return style->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, checkbox) +
           style->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, checkbox);
}

namespace {
// The accent colour, softened, as an opaque colour: rounded borders drawn
// translucent show their overlapping corner pieces.
QColor focusRing(const QPalette& p)
{
    const QColor accent = accentColor(p);
    const QColor window = p.color(QPalette::Window);
    const auto mix = [](int a, int b) { return (a * 55 + b * 45) / 100; };
    return QColor(mix(window.red(), accent.red()), mix(window.green(), accent.green()), mix(window.blue(), accent.blue()));
}

// Every button keeps a ring's width of transparent border, drawn in a
// light tint of the accent colour when the button has keyboard focus.
QString buttonSheet(const QString& fill, const QString& text, const QString& hover, const QString& pressed,
                    const QString& disabled, const QString& ring, const QString& padding)
{
    return QStringLiteral("QPushButton { background: %1; color: %2; border: 3px solid transparent; "
                          "background-clip: padding; border-radius: 9px; padding: %7; }"
                          "QPushButton:hover { background: %3; }"
                          "QPushButton:pressed { background: %4; }"
                          "QPushButton:disabled { %5 }"
                          "QPushButton:focus { border-color: %6; }")
        .arg(fill, text, hover, pressed, disabled, ring, padding);
}
}  // namespace

QPushButton* prominentButton(const QString& text, const QString& accessibilityID, QWidget* parent, bool large)
{
    auto* button = new QPushButton(text, parent);
    button->setObjectName(accessibilityID);
    button->setAccessibleName(text);
    button->setCursor(Qt::PointingHandCursor);
    button->setFont(font(large ? textSize::headline : textSize::body, QFont::DemiBold));
    const QString padding = large ? QStringLiteral("7px 22px") : QStringLiteral("4px 16px");
    styleFromPalette(button, [padding](const QPalette& p) {
        const QColor accent = accentColor(p);
        const QColor text = p.color(QPalette::HighlightedText);
        return buttonSheet(css(accent), css(text), css(accent.lighter(108)), css(accent.darker(115)),
                           QStringLiteral("background: %1; color: %2;")
                               .arg(css(withAlpha(accent, 0.4)), css(withAlpha(text, 0.8))),
                           css(focusRing(p)), padding);
    });
    return button;
}

QPushButton* plainButton(const QString& text, const QString& accessibilityID, QWidget* parent)
{
    auto* button = new QPushButton(text, parent);
    button->setObjectName(accessibilityID);
    button->setAccessibleName(text);
    button->setCursor(Qt::PointingHandCursor);
    button->setFont(bodyFont());
    styleFromPalette(button, [](const QPalette& p) {
        const QColor ink = p.color(QPalette::WindowText);
        return buttonSheet(css(withAlpha(ink, 0.09)), css(ink), css(withAlpha(ink, 0.13)), css(withAlpha(ink, 0.2)),
                           QStringLiteral("color: %1;").arg(css(withAlpha(ink, 0.35))),
                           css(focusRing(p)), QStringLiteral("4px 16px"));
    });
    return button;
}

QPushButton* borderlessButton(const QString& text, const QString& accessibilityID, QWidget* parent)
{
    auto* button = new QPushButton(text, parent);
    button->setObjectName(accessibilityID);
    button->setAccessibleName(text);
    button->setCursor(Qt::PointingHandCursor);
    button->setFont(bodyFont());
    styleFromPalette(button, [](const QPalette& p) {
        const QColor accent = accentColor(p);
        return buttonSheet(QStringLiteral("transparent"), css(accent), css(faintFillColor(p)),
                           css(withAlpha(p.color(QPalette::WindowText), 0.13)),
                           QStringLiteral("color: %1;").arg(css(secondaryTextColor(p))),
                           css(focusRing(p)), QStringLiteral("3px 8px"));
    });
    return button;
}

void describe(QWidget* widget, const QString& name, const QString& description)
{
    widget->setAccessibleName(name);
    widget->setAccessibleDescription(description);
}

QLayout* buttonRow(std::initializer_list<QWidget*> buttons)
{
    auto* row = new QHBoxLayout;
    row->setSpacing(spacing::tight);
    row->addStretch();
    for (QWidget* b : buttons)
        row->addWidget(b);
    return row;
}

void setLink(QLabel* label, const QString& text, const QUrl& url)
{
    // Rich text takes the link colour when it is set: set it again when the palette changes.
    PaletteFollower::of(label)->setApply([label, text, url] {
        label->setText(QStringLiteral("<a href=\"%1\" style=\"color: %3\">%2</a>")
                           .arg(url.toString(QUrl::FullyEncoded), text.toHtmlEscaped(),
                                QGuiApplication::palette().color(QPalette::Link).name()));
    });
    label->setAccessibleName(text);
    label->setAccessibleDescription(QStringLiteral("Opens %1 in your browser").arg(url.host()));
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
