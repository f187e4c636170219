#pragma once

#include "engine/javamedic/Diagnosis.h"
#include "engine/workflow/SetupProduct.h"

#include <QString>
#include <QStringList>
#include <QUrl>

#include <map>
#include <memory>
#include <optional>
#include <vector>

namespace varnel {

struct ProductCopy {
    QString welcomeExplainer;
    QString primaryCTA;
    std::optional<QString> welcomeHeadline;
};

struct ConsentCopy {
    QString whatTitle;
    QStringList whatBullets;
    QString privacyTitle;
    QStringList privacyBullets;
};

struct ProductURLs {
    QUrl articleBase;
    QUrl privacy;
    QUrl installMethods;
    QUrl troubleshooting;
    QUrl envConfig;
    QUrl commandLineTools;
    QUrl macosUpgrade;
    QUrl warpAffiliate;

    // An article link: `path` (e.g. "terminal/configuration") under articleBase.
    QUrl article(const QString& path) const;
};

struct GoalOption {
    QString key;
    QString label;
    std::optional<QString> detailPrompt;
};

struct GoalPrompt {
    QString question;
    QString subcopy;
    QString surface;
    int detailMaxChars = 0;
    std::vector<GoalOption> options;
};

enum class Outcome { ready, still_blocked, unsure };
QString toString(Outcome o);  // "ready", "still_blocked", "unsure"

// Where a next-step choice leads. Recursive: an audit may be followed by another route.
struct OfferRoute {
    enum class Kind { content, audit, guidedHelpWTP, aiCodingInterest };
    Kind kind = Kind::content;
    QString offerID;                          // content
    std::shared_ptr<const OfferRoute> then;   // audit (absent when none)

    static OfferRoute content(QString offerID) { return {Kind::content, std::move(offerID), nullptr}; }
    static OfferRoute audit(std::optional<OfferRoute> then)
    {
        return {Kind::audit, {}, then ? std::make_shared<const OfferRoute>(*then) : nullptr};
    }
    static OfferRoute guidedHelpWTP() { return {Kind::guidedHelpWTP, {}, nullptr}; }
    static OfferRoute aiCodingInterest() { return {Kind::aiCodingInterest, {}, nullptr}; }

    bool operator==(const OfferRoute& o) const;
};
size_t qHash(const OfferRoute& route, size_t seed = 0);

struct NextStepOption {
    QString key;
    QString label;
    Outcome outcome = Outcome::unsure;
    OfferRoute offer;
};

struct NextStepPrompt {
    QString question;
    QString leadIn;
    QString surface;
    std::vector<NextStepOption> options;
};

struct OfferSpec {
    QString offerID;
    QString surface;
    QString title;
    QString body;
    QString actionLabel;
    std::optional<QString> price;
    std::optional<QString> disclosure;
    std::optional<QUrl> destination;
    QString eligibilityReason;
};

// Everything that differs between the products. Product differences are
// data: code reads ProductConfig::current() and never branches on a name.
struct ProductConfig {
    QString appID;
    QString displayName;
    QString appSupportDirName;
    QString userDefaultsPrefix;
    QString shellConfigMarker;
    bool datedShellMarker = false;
    QString cacheDirName;
    ProductCopy copy;
    ProductURLs urls;
    ConsentCopy consent;
    std::shared_ptr<const DiagnosisProfile> diagnosisProfile = std::make_shared<InertDiagnosisProfile>();
    std::optional<GoalPrompt> goalPrompt;
    std::optional<NextStepPrompt> nextStepPrompt;
    std::map<QString, OfferSpec> offerCatalog;
    SetupFlow flow = SetupFlow::setupWorkflow;
    std::shared_ptr<const SpineProvider> spineProvider;
    std::shared_ptr<const SetupVerifier> verifier;
    SharedDomainCopy sharedDomainCopy = SharedDomainCopy::standard();
    SpineRenderPolicy spinePolicy;
    std::shared_ptr<const SetupProber> prober;
    std::shared_ptr<const SpineCopyProviding> spineCopy;
    std::shared_ptr<const StageCatalogProviding> stageCatalog;

    // User-defaults keys: the prefix and a dotted suffix.
    QString consentedKey() const { return userDefaultsPrefix + QStringLiteral(".consented"); }
    QString sessionIDKey() const { return userDefaultsPrefix + QStringLiteral(".session_id"); }
    QString npsSubmittedKey() const { return userDefaultsPrefix + QStringLiteral(".nps_submitted"); }

    ShellMarker shellMarker() const { return {shellConfigMarker, datedShellMarker}; }
    // The part of this configuration the setup workflow runs on.
    SetupProduct setupProduct() const;

    // The active product. Starts as the Java medic; the application entry sets
    // the command-line product before any screen is built. Thread-safe; the
    // returned pointer stays valid after a later setCurrent().
    static std::shared_ptr<const ProductConfig> current();
    static void setCurrent(ProductConfig config);
};

}  // namespace varnel
