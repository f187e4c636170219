#include "engine/services/ProcessTypes.h"

#include <QProcessEnvironment>

namespace varnel {

Environment currentEnvironment()
{
    Environment env;
    const QProcessEnvironment system = QProcessEnvironment::systemEnvironment();
    for (const QString& key : system.keys())
        env[key] = system.value(key);
    return env;
}

}  // namespace varnel
