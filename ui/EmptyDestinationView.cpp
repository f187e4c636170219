#include "ui/EmptyDestinationView.h"

namespace varnel {

EmptyDestinationView::EmptyDestinationView(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("empty-destination"));
}

}  // namespace varnel
