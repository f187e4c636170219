#include "engine/config/Products.h"

#include "engine/services/Hosts.h"
#include "engine/workflow/HomebrewProber.h"
#include "engine/workflow/HomebrewSpineCopy.h"
#include "engine/workflow/HomebrewSpinePolicy.h"
#include "engine/workflow/HomebrewSpineProvider.h"
#include "engine/workflow/HomebrewVerifier.h"

namespace varnel::products {

ProductURLs guideURLs(const QString& privacyPath)
{
    const QString site = hosts::guideSite();
    ProductURLs urls;
    urls.articleBase = QUrl(site + u'/');
    urls.privacy = QUrl(site + privacyPath);
    urls.installMethods = QUrl(site + QStringLiteral("/commandlinetools"));
    urls.troubleshooting = QUrl(site + QStringLiteral("/terminal/configuration"));
    urls.envConfig = QUrl(site + QStringLiteral("/terminal/configuration"));
    urls.commandLineTools = QUrl(site + QStringLiteral("/commandlinetools"));
    urls.macosUpgrade = QUrl(site + QStringLiteral("/macos/upgrade"));
    urls.warpAffiliate = QUrl(hosts::warpSite() +
                              QStringLiteral("/mac-terminal?utm_source=kestrane_guide&utm_medium=app"
                                             "&utm_campaign=kestrane_guide_20260516&utm_content=varnel_cli"));
    return urls;
}

ConsentCopy varnelConsent()
{
    return {
        QStringLiteral("What this app does"),
        {QStringLiteral("Checks whether the command-line tools you need are set up."),
         QStringLiteral("Installs and configures them if you wish."),
         QStringLiteral("Asks for your permission before installing or changing anything.")},
        QStringLiteral("Your privacy and Mac integrity are respected"),
        {QStringLiteral("The app never identifies you and never records your IP address."),
         QStringLiteral("No passwords or file contents are ever recorded."),
         QStringLiteral("Usage events are anonymous."),
         QStringLiteral("A random session ID is created for anonymous usage counts.")},
    };
}

namespace {
ProductConfig varnelBase(const QString& appID, const QString& displayName, const QString& suffix,
                         const QString& cacheDirName)
{
    ProductConfig c;
    c.appID = appID;
    c.displayName = displayName;
    c.appSupportDirName = displayName;
    c.userDefaultsPrefix = hosts::bundleIDPrefix() + QStringLiteral(".varnel.") + suffix;
    c.shellConfigMarker = QStringLiteral("Varnel");
    c.datedShellMarker = false;
    c.cacheDirName = cacheDirName;
    c.consent = varnelConsent();
    c.flow = SetupFlow::setupWorkflow;
    return c;
}
}  // namespace

ProductConfig homebrew()
{
    ProductConfig c = varnelBase(QStringLiteral("varnel-brew"), QStringLiteral("Varnel with Homebrew"),
                                 QStringLiteral("brew"), QStringLiteral("VarnelBrew"));
    c.copy = {QStringLiteral("Homebrew is the package manager developers use to install tools on a Mac. The app "
                             "will run a check to see what's needed. Nothing changes without your okay."),
              QStringLiteral("Check my setup"), QStringLiteral("Set up Homebrew on your Mac")};
    c.urls = guideURLs(QStringLiteral("/varnel/privacy"));
    c.spineProvider = std::make_shared<HomebrewSpineProvider>(c.sharedDomainCopy);
    c.verifier = std::make_shared<HomebrewVerifier>();
    c.prober = std::make_shared<HomebrewProber>();
    c.spineCopy = std::make_shared<HomebrewSpineCopy>();
    c.spinePolicy = homebrewSpinePolicy();
    return c;
}

ProductConfig claudeCode()
{
    ProductConfig c = varnelBase(QStringLiteral("varnel-claude"), QStringLiteral("Varnel for Claude Code"),
                                 QStringLiteral("claude"), QStringLiteral("VarnelClaude"));
    c.copy = {QStringLiteral("Run a check to find if anything is missing. Nothing changes on your Mac without your okay."),
              QStringLiteral("Check my setup"), QStringLiteral("Is your Mac ready for Claude Code?")};
    c.urls = guideURLs(QStringLiteral("/varnel/privacy"));
    c.sharedDomainCopy.homebrewReady.detail =
        QStringLiteral("Homebrew is present — we'll use it to install Claude Code coherently and keep it updatable.");
    c.sharedDomainCopy.homebrewFixable.detail =
        QStringLiteral("We'll install Homebrew first — it's how we install the Claude Code CLI and Desktop as one "
                       "coherent, updatable, removable setup.");
    c.sharedDomainCopy.warpFixable.detail =
        QStringLiteral("Warp is the modern macOS terminal we recommend for working with Claude Code.");
    return c;
}

ProductConfig javaMedic()
{
    ProductConfig c;
    c.appID = QStringLiteral("ksm-java");
    c.displayName = QStringLiteral("Kestrane Medic for Java");
    c.appSupportDirName = QStringLiteral("Kestrane Medic");
    c.userDefaultsPrefix = hosts::bundleIDPrefix() + QStringLiteral(".medic.java");
    c.shellConfigMarker = QStringLiteral("Kestrane Medic");
    c.datedShellMarker = true;
    c.cacheDirName = QStringLiteral("KestraneMedic");
    c.copy = {QStringLiteral("Diagnose and fix common Mac setup errors."), QStringLiteral("Diagnose Java"),
              std::nullopt};
    c.urls = guideURLs(QStringLiteral("/medic/privacy"));
    c.consent = varnelConsent();
    c.consent.whatBullets = {QStringLiteral("Checks and installs Java, if you wish."),
                             QStringLiteral("Performs a system check for your Mac setup."),
                             QStringLiteral("Asks for your permission before installing or changing anything.")};
    c.consent.privacyBullets.insert(c.consent.privacyBullets.size() - 1,
                                    QStringLiteral("The “How did we do?” score is reported anonymously."));
    c.flow = SetupFlow::diagnose;
    return c;
}

}  // namespace varnel::products
