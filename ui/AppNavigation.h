#pragma once

#include "ui/Screen.h"

#include <QList>
#include <QObject>

#include <optional>

namespace varnel {

// The navigation stack above the welcome screen, and the choices made on the
// goal and next-step prompts. Lives on the UI thread.
class AppNavigation : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    const QList<Screen>& path() const { return path_; }
    void setPath(QList<Screen> path);
    void push(const Screen& screen);
    void pop();
    void popToRoot() { setPath({}); }

    std::optional<QString> selectedGoal() const { return selectedGoal_; }
    void setSelectedGoal(std::optional<QString> goal) { selectedGoal_ = std::move(goal); }
    std::optional<QString> selectedNextStep() const { return selectedNextStep_; }
    void setSelectedNextStep(std::optional<QString> step) { selectedNextStep_ = std::move(step); }

signals:
    void pathChanged();

private:
    QList<Screen> path_;
    std::optional<QString> selectedGoal_;
    std::optional<QString> selectedNextStep_;
};

}  // namespace varnel
