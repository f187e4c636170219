#include "app/VarnelCliApp.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    varnel::VarnelCliApp app;
    app.show();
    return application.exec();
}
