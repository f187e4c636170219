#pragma once

#include "ui/Screen.h"

#include <QWidget>

#include <functional>
#include <vector>

class QPushButton;
class QStackedWidget;

namespace varnel {

class AppNavigation;

// Shows the root screen and, above it, one screen per entry of the
// navigation path. Screens still on the path keep their state; screens
// popped off it are destroyed. A back button appears above pushed screens;
// Escape that no control used presses it.
class NavigationStackView : public QWidget {
    Q_OBJECT
public:
    using DestinationFactory = std::function<QWidget*(const Screen&)>;

    NavigationStackView(AppNavigation& navigation, QWidget* root, DestinationFactory factory,
                        QWidget* parent = nullptr);

    QWidget* currentScreen() const;

signals:
    // Emitted the first time the stack becomes visible (after consent).
    void firstShown();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void sync();

    AppNavigation& navigation_;
    DestinationFactory factory_;
    QStackedWidget* stack_ = nullptr;
    QPushButton* back_ = nullptr;
    QWidget* backBar_ = nullptr;
    std::vector<std::pair<Screen, QWidget*>> shown_;
    bool wasShown_ = false;
};

}  // namespace varnel
