#include "app/VarnelCliApp.h"

#include "app/CommandLineProduct.h"
#include "engine/telemetry/TelemetryService.h"
#include "ui/VarnelRootView.h"

#include <QVBoxLayout>
#include <QWidget>

namespace varnel {

VarnelCliApp::VarnelCliApp()
{
    // Before any view is built: every screen reads the active product.
    ProductConfig::setCurrent(products::commandLine());
    // Before anything tracks: usage events carry this product's identity.
    const std::shared_ptr<const ProductConfig> product = ProductConfig::current();
    TelemetryService::configureShared(TelemetryService::defaultConfiguration(
        {product->appID, product->appSupportDirName, product->sessionIDKey()}));

    window_ = std::make_unique<QWidget>();
    window_->setObjectName(QStringLiteral("main-window"));
    window_->setWindowTitle(product->displayName);
    auto* layout = new QVBoxLayout(window_.get());
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(new VarnelRootView(AppServices::live()));
    // 720 x 720 by default; the content's minimum (720 x 700) bounds resizing.
    window_->resize(720, 720);
}

VarnelCliApp::~VarnelCliApp() = default;

void VarnelCliApp::show() { window_->show(); }

QWidget* VarnelCliApp::window() const { return window_.get(); }

}  // namespace varnel
