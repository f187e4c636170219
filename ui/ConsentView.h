#pragma once

#include <QWidget>

#include <functional>

namespace varnel {

class AppEnvironment;

// The first screen: what the app does and how privacy is kept. "Continue"
// records consent under <prefix>.consented and hands over to the welcome screen.
class ConsentView : public QWidget {
    Q_OBJECT
public:
    ConsentView(const AppEnvironment& environment, std::function<void()> onContinue, QWidget* parent = nullptr);

private:
    void continuePressed();

    const AppEnvironment& environment_;
    std::function<void()> onContinue_;
};

}  // namespace varnel
