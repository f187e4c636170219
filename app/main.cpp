#include "app/VarnelCliApp.h"
#include "engine/services/Background.h"

#include <QApplication>

#include <memory>

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    auto app = std::make_unique<varnel::VarnelCliApp>();
    app->show();
    const int status = application.exec();
    // Closing the window asks every screen's work to stop (its running
    // programs are terminated); let the workers finish before static
    // objects they may touch are torn down.
    app.reset();
    varnel::backgroundPool().waitForDone(5000);
    return status;
}
