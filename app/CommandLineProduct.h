#pragma once

#include "engine/config/ProductConfig.h"

namespace varnel::products {

// The product this application ships: "Varnel for the Command Line".
ProductConfig commandLine();

}  // namespace varnel::products
