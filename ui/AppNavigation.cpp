#include "ui/AppNavigation.h"

namespace varnel {

void AppNavigation::setPath(QList<Screen> path)
{
    if (path == path_)
        return;
    path_ = std::move(path);
    emit pathChanged();
}

void AppNavigation::push(const Screen& screen)
{
    path_.append(screen);
    emit pathChanged();
}

void AppNavigation::pop()
{
    if (path_.isEmpty())
        return;
    path_.removeLast();
    emit pathChanged();
}

}  // namespace varnel
