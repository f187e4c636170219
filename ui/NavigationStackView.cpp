#include "ui/NavigationStackView.h"

#include "ui/AppNavigation.h"
#include "ui/UiStyle.h"

#include <QHBoxLayout>
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
    barLayout->setContentsMargins(12, 8, 12, 0);
    back_ = ui::plainButton(QStringLiteral("‹ Back"), QStringLiteral("navigation-back"), backBar_);
    back_->setFlat(true);
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
