#include "ui/ScreenScaffold.h"

#include "ui/UiStyle.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QScrollArea>
#include <QVBoxLayout>

namespace varnel {

namespace {
void collectControls(const QLayout* layout, QList<QWidget*>& controls);

void collectControls(QWidget* widget, QList<QWidget*>& controls)
{
    if (widget->focusPolicy() & Qt::TabFocus)
        controls << widget;
    if (auto* scroll = qobject_cast<QScrollArea*>(widget); scroll && scroll->widget())
        collectControls(scroll->widget(), controls);
    else if (widget->layout())
        collectControls(widget->layout(), controls);
}

void collectControls(const QLayout* layout, QList<QWidget*>& controls)
{
    for (int i = 0; i < layout->count(); ++i) {
        QLayoutItem* item = layout->itemAt(i);
        if (QWidget* widget = item->widget())
            collectControls(widget, controls);
        else if (const QLayout* inner = item->layout())
            collectControls(inner, controls);
    }
}

bool usable(const QWidget* widget, const QWidget* screen)
{
    return widget && widget->isVisibleTo(screen) && widget->isEnabled();
}
}  // namespace

QString ScreenScaffold::articleLinkText() { return QStringLiteral("Read the article on Kestrane Guide"); }

ScreenScaffold::ScreenScaffold(const Options& options, QWidget* content, QWidget* parent) : QWidget(parent)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(ui::spacing::margin, ui::spacing::margin, ui::spacing::margin, ui::spacing::margin);
    layout->setSpacing(ui::spacing::regular);

    title_ = new QLabel(options.title, this);
    title_->setFont(ui::titleFont(options.titlePointSize));
    title_->setWordWrap(true);
    title_->setObjectName(options.titleAccessibilityIdentifier);
    title_->setAccessibleName(options.title);
    layout->addWidget(title_);

    explainer_ = new QLabel(options.explainer, this);
    explainer_->setWordWrap(true);
    explainer_->setFont(ui::bodyFont());
    explainer_->setObjectName(options.explainerAccessibilityIdentifier);
    explainer_->setVisible(!options.explainer.isEmpty());
    layout->addWidget(explainer_);
    layout->addSpacing(ui::spacing::hairline);

    contentLayout_ = new QVBoxLayout;
    contentLayout_->setSpacing(ui::spacing::regular);
    layout->addLayout(contentLayout_, 1);
    if (content)
        contentLayout_->addWidget(content);

    articleLink_ = ui::linkLabel(articleLinkText(), options.articleURL, this);
    articleLink_->setFont(ui::footnoteFont());
    articleLink_->setVisible(!options.articleURL.isEmpty());
    layout->addWidget(articleLink_);
}

void ScreenScaffold::setTitle(const QString& title)
{
    title_->setText(title);
    title_->setAccessibleName(title);
}

void ScreenScaffold::setExplainer(const QString& explainer)
{
    explainer_->setText(explainer);
    explainer_->setVisible(!explainer.isEmpty());
}

void ScreenScaffold::setArticleURL(const QUrl& url)
{
    ui::setLink(articleLink_, articleLinkText(), url);
    articleLink_->setVisible(!url.isEmpty());
}

void ScreenScaffold::setPrimaryButtons(const QList<QAbstractButton*>& buttons)
{
    primaryButtons_.clear();
    for (QAbstractButton* button : buttons)
        primaryButtons_ << button;
}

QList<QWidget*> ScreenScaffold::controlsInLayoutOrder() const
{
    QList<QWidget*> controls;
    collectControls(layout(), controls);
    return controls;
}

void ScreenScaffold::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        for (QAbstractButton* button : primaryButtons_) {
            if (usable(button, this)) {
                button->click();
                return;
            }
        }
    }
    QWidget::keyPressEvent(event);
}

void ScreenScaffold::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    const QList<QWidget*> controls = controlsInLayoutOrder();
    for (qsizetype i = 1; i < controls.size(); ++i)
        setTabOrder(controls[i - 1], controls[i]);
    focusFirstControl();
}

void ScreenScaffold::focusFirstControl()
{
    const QList<QWidget*> controls = controlsInLayoutOrder();
    QWidget* target = nullptr;
    for (QWidget* control : controls) {
        if ((qobject_cast<QLineEdit*>(control) || qobject_cast<QCheckBox*>(control)) && usable(control, this)) {
            target = control;
            break;
        }
    }
    for (QAbstractButton* button : primaryButtons_) {
        if (!target && usable(button, this))
            target = button;
    }
    for (QWidget* control : controls) {
        if (!target && usable(control, this))
            target = control;
    }
    if (target)
        target->setFocus(Qt::TabFocusReason);
}

}  // namespace varnel
