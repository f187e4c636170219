#pragma once

#include <memory>

class QWidget;

namespace varnel {

// The application entry: selects the command-line product and opens the one window.
class VarnelCliApp {
public:
    VarnelCliApp();
    ~VarnelCliApp();
    void show();
    QWidget* window() const;

private:
    std::unique_ptr<QWidget> window_;
};

}  // namespace varnel
