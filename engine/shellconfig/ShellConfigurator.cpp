#include "engine/shellconfig/ShellConfigurator.h"

// Placeholder until the configurator lands.
namespace varnel {

bool ShellConfigurator::isConfigured() const { return false; }

}  // namespace varnel
