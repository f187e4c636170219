#pragma once

#include "engine/config/ProductConfig.h"

// The configurations of the products the engine serves besides the
// command-line product (whose values live with the application, in app/).
namespace varnel::products {

ProductConfig homebrew();
ProductConfig claudeCode();
ProductConfig javaMedic();

// Pieces the products share.
ProductURLs guideURLs(const QString& privacyPath);
ConsentCopy varnelConsent();

}  // namespace varnel::products
