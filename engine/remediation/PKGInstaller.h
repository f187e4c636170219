#pragma once

#include "engine/remediation/AdoptiumAPI.h"
#include "engine/remediation/SystemPrograms.h"
#include "engine/services/FileSystemOperating.h"
#include "engine/services/HTTPFetching.h"
#include "engine/services/LongWork.h"
#include "engine/services/ProcessRunning.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <stop_token>

namespace varnel {

// Installs Temurin straight from Adoptium: look up the newest package of a
// major version, download it with progress, check its SHA-256 and run
// /usr/sbin/installer through the administrator dialog. The package never
// outlives the run.
class PKGInstaller {
public:
    struct Event {
        enum class Kind { fetching, slowResponse, downloading, verifying, installing, completed, canceled, error };
        Kind kind = Kind::fetching;
        int64_t bytesReceived = 0;
        std::optional<int64_t> totalBytes;
        QString message;  // for error

        static Event of(Kind k) { return {k, 0, std::nullopt, {}}; }
        static Event downloading(int64_t received, std::optional<int64_t> total) { return {Kind::downloading, received, total, {}}; }
        static Event error(QString m) { return {Kind::error, 0, std::nullopt, std::move(m)}; }
        bool isTerminal() const { return kind == Kind::completed || kind == Kind::canceled || kind == Kind::error; }
        bool operator==(const Event&) const = default;
    };

    struct Options {
        QString packageFolderName;  // under the user's caches: the product's cache folder
        std::chrono::milliseconds lookupNotice{8000};     // slowResponse while looking up
        std::chrono::milliseconds downloadNotice{15000};  // slowResponse before the first bytes
        std::chrono::milliseconds progressInterval{100};  // at most ~10 downloading events a second
        SystemPrograms programs = SystemPrograms::mac();
    };

    PKGInstaller(const ProcessRunning& process, const HTTPFetching& http, const FileSystemOperating& fs,
                 const AdoptiumAPI& adoptium, Options options);

    // Blocking; ends with exactly one completed, canceled or error. Events may
    // come from a watchdog thread, never two at once.
    void install(const QString& major, const QString& passwordPrompt, std::stop_token stop,
                 const EventSink<Event>& sink) const;

private:
    Event run(const QString& major, const QString& passwordPrompt, std::stop_token stop,
              const EventSink<Event>& tell, QString& package) const;

    const ProcessRunning* process_;
    const HTTPFetching* http_;
    const FileSystemOperating* fs_;
    const AdoptiumAPI* adoptium_;
    Options options_;
};

}  // namespace varnel
