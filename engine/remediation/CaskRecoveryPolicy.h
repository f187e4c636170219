#pragma once

#include "engine/remediation/AdoptiumAPI.h"
#include "engine/services/FileSystemOperating.h"

#include <QString>

#include <functional>
#include <optional>
#include <stop_token>

namespace varnel {

// How a cask install recovers beyond the rules every cask gets (forced
// install over a leftover app, one delayed retry).
struct CaskRecoveryPolicy {
    // Homebrew records the cask as installed but its artifact is gone (the
    // app or JDK was deleted by hand): `brew install` then says "already
    // installed" and restores nothing, so the runner reinstalls.
    struct StaleCaskroomRecovery {
        std::function<bool()> artifactMissing;
        QString missingArtifactDescription;
    };

    // The vendor's own package, installed directly when brew ran sudo in a
    // way that bypassed our askpass wrapper.
    struct PKGFallback {
        QString cacheFilePrefix;
        std::function<QString(const QString& version, const QString& architecture)> lookupMessage;
        QString timeoutMessage;
        std::function<QString(const QString& caskName)> versionFromCaskName;
        std::function<Expected<AdoptiumAPI::AssetMetadata, AdoptiumAPI::Error>(
            const QString& version, const QString& architecture, std::stop_token stop)>
            resolveAsset;
    };

    std::optional<StaleCaskroomRecovery> staleCaskroom;
    std::optional<PKGFallback> pkgFallback;

    static CaskRecoveryPolicy none() { return {}; }
    // Temurin: the JDK folder is the artifact; Adoptium's package is the fallback.
    static CaskRecoveryPolicy temurin(const AdoptiumAPI& adoptium, const FileSystemOperating& fs);

    // The major version in "temurin@21"; "25" when there is none.
    static QString temurinMajor(const QString& caskName);
};

}  // namespace varnel
