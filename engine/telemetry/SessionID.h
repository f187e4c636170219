#pragma once

#include "engine/services/KeyValueStoring.h"

#include <QString>
#include <QUuid>

namespace varnel {

// The anonymous id that ties one installation's events together. It is made
// on the first launch, stored under `key` (the product's user-defaults prefix
// + ".session_id") and reused on every later launch; it is never rotated.
class SessionID {
public:
    SessionID(KeyValueStoring& store, QString key) : store_(store), key_(std::move(key)) {}

    // The stored id; a missing or malformed one is replaced by a new random
    // id, which is stored (upper-case canonical text).
    QUuid value() const;

private:
    KeyValueStoring& store_;
    QString key_;
};

}  // namespace varnel
