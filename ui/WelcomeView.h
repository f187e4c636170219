#pragma once

#include <QWidget>

namespace varnel {

class AppNavigation;

// The home screen: the product's headline and explainer, and the button
// that starts the product's flow.
class WelcomeView : public QWidget {
    Q_OBJECT
public:
    explicit WelcomeView(AppNavigation& navigation, QWidget* parent = nullptr);

private:
    AppNavigation& navigation_;
};

}  // namespace varnel
