#include "app/CommandLineProduct.h"

#include "engine/services/Hosts.h"
#include "engine/config/Products.h"
#include "engine/workflow/CommandLineSpineCopy.h"
#include "engine/workflow/CommandLineSpinePolicy.h"
#include "engine/workflow/CommandLineSpineProvider.h"
#include "engine/workflow/CommandLineVerifier.h"
#include "engine/workflow/CommandLineProber.h"

namespace varnel::products {

namespace {
QString s(const char* text) { return QString::fromUtf8(text); }
}  // namespace

ProductConfig commandLine()
{
    ProductConfig c;
    c.appID = s("varnel-cli");
    c.displayName = s("Varnel for the Command Line");
    c.appSupportDirName = s("Varnel for the Command Line");
    c.userDefaultsPrefix = hosts::bundleIDPrefix() + s(".varnel.cli");
    c.shellConfigMarker = s("Varnel");
    c.datedShellMarker = false;
    c.cacheDirName = s("VarnelCli");
    c.copy.welcomeHeadline = s("Varnel to build software");
    c.copy.welcomeExplainer =
        s("Software developers need command-line tools running in a terminal. The app will run a check to see "
          "what's needed, then offer to install and configure the essentials: the Command Line Tools, your shell, "
          "Homebrew package manager, an upgraded terminal, and Git. Nothing changes without your okay.");
    c.copy.primaryCTA = s("Check my setup");
    c.consent = varnelConsent();
    c.urls = guideURLs(s("/varnel/privacy"));
    c.flow = SetupFlow::setupWorkflow;
    c.spinePolicy = commandLineSpinePolicy();
    c.spineProvider = std::make_shared<CommandLineSpineProvider>(c.sharedDomainCopy);
    c.verifier = std::make_shared<CommandLineVerifier>();
    c.spineCopy = std::make_shared<CommandLineSpineCopy>();
    c.prober = std::make_shared<CommandLineProber>();
    return c;
}

}  // namespace varnel::products
