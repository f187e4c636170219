#include "ui/NavigationStackView.h"

#include "ui/AppNavigation.h"
#include "ui/UiStyle.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace varnel {

NavigationStackView::NavigationStackView(AppNavigation& navigation, QWidget* root, DestinationFactory factory,
                                         QWidget* parent)
    : QWidget(parent), navigation_(navigation), factory_(std::move(factory))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    backBar_ = new QWidget(this);
    auto* barLayout = new QHBoxLayout(backBar_);
    barLayout->setContentsMargins(ui::spacing::regular, ui::spacing::tight, ui::spacing::regular, 0);
    back_ = ui::borderlessButton(QStringLiteral("‹ Back"), QStringLiteral("navigation-back"), backBar_);
    ui::describe(back_, QStringLiteral("Back"), QStringLiteral("Goes back to the previous screen"));
    barLayout->addWidget(back_);
    barLayout->addStretch();
    layout->addWidget(backBar_);

    stack_ = new QStackedWidget(this);
    stack_->addWidget(root);
    layout->addWidget(stack_, 1);

    connect(back_, &QPushButton::clicked, &navigation_, &AppNavigation::pop);
    connect(&navigation_, &AppNavigation::pathChanged, this, &NavigationStackView::sync);
    sync();
}

QWidget* NavigationStackView::currentScreen() const { return stack_->currentWidget(); }

void NavigationStackView::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && backBar_->isVisible()) {
        back_->click();
        return;
    }
    QWidget::keyPressEvent(event);
}

void NavigationStackView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!wasShown_) {
        wasShown_ = true;
        emit firstShown();
    }
}

void NavigationStackView::sync()
{
    const QList<Screen>& path = navigation_.path();

    // Keep the longest prefix of screens that is still on the path.
    size_t keep = 0;
    while (keep < shown_.size() && keep < static_cast<size_t>(path.size()) && shown_[keep].first == path[keep])
        ++keep;
    while (shown_.size() > keep) {
        QWidget* widget = shown_.back().second;
        stack_->removeWidget(widget);
        widget->deleteLater();
        shown_.pop_back();
    }
    for (qsizetype i = static_cast<qsizetype>(keep); i < path.size(); ++i) {
        QWidget* widget = factory_(path[i]);
        stack_->addWidget(widget);
        shown_.emplace_back(path[i], widget);
    }
    stack_->setCurrentIndex(stack_->count() - 1);
    backBar_->setVisible(!shown_.empty());
}

}  // namespace varnel
