#pragma once

#include <QWidget>

namespace varnel {

// The destination of a screen this product has nothing to show for (a
// next-step prompt the product doesn't have, a flow not built yet).
class EmptyDestinationView : public QWidget {
    Q_OBJECT
public:
    explicit EmptyDestinationView(QWidget* parent = nullptr);
};

}  // namespace varnel
