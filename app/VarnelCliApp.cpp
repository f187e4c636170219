#include "app/VarnelCliApp.h"

#include "app/CommandLineProduct.h"

#include <QWidget>

namespace varnel {

VarnelCliApp::VarnelCliApp()
{
    ProductConfig::setCurrent(products::commandLine());
    window_ = std::make_unique<QWidget>();
}

VarnelCliApp::~VarnelCliApp() = default;

void VarnelCliApp::show() { window_->show(); }

QWidget* VarnelCliApp::window() const { return window_.get(); }

}  // namespace varnel
