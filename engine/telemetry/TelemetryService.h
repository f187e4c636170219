#pragma once

#include "engine/services/FileSystemOperating.h"
#include "engine/services/HTTPFetching.h"
#include "engine/services/KeyValueStoring.h"
#include "engine/telemetry/Json.h"
#include "engine/telemetry/SerialExecutor.h"
#include "engine/telemetry/TelemetryEvent.h"
#include "engine/telemetry/TrackedEvent.h"

#include <QString>
#include <QUrl>
#include <QUuid>

#include <chrono>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <stop_token>
#include <vector>

namespace varnel {

// Anonymous usage events. Events are queued, kept in a pending file that
// survives restarts, and posted one at a time, in order, to the telemetry
// backend; nothing the service does ever reaches the user, its only
// diagnostics are "Telemetry: " lines in the system log.
//
// The service is an actor: its queue and every step of its work live on its
// own thread. `track` hands an event over and returns at once, so emitters
// never wait:
//
//   TelemetryService::shared().track(events::consentGiven());
//
// The service knows nothing of products: the application hands it the
// product's identity once, at start, through configureShared().
class TelemetryService {
public:
    using Event = TelemetryEvent;

    // What the service needs to know of the product it reports for.
    struct ProductIdentity {
        QString appID;              // sent with every event, e.g. "varnel-cli"
        QString appSupportDirName;  // the pending file's folder under Application Support
        QString sessionIDKey;       // the user-defaults key holding the session id
    };

    struct Configuration {
        QUrl endpointURL;
        QString anonKey;     // sent as a bearer token
        QString appVersion;  // e.g. "1.4 (27)"
        QString appID;
        QString sessionIDKey;
        QString runContext;  // "release" unless the environment says otherwise
        bool disabled = false;
        // Builds, once, the HTTP client that every post goes through. The
        // default wraps a LiveHTTPFetcher in a TelemetrySession (JSON content
        // type, bearer key, 15 s per request).
        std::function<std::shared_ptr<const HTTPFetching>(const Configuration&)> fetcherFactory;
        std::shared_ptr<KeyValueStoring> kvStore;  // holds the session id
        std::shared_ptr<const FileSystemOperating> fs;
        QString pendingFilePath;
        // The pause before retry number `attempt` + 1 (attempt 0 is the first
        // try). Tests pass a function that returns zero.
        std::function<std::chrono::milliseconds(int attempt)> retryDelay = defaultRetryDelay;
    };

    // The live configuration: the backend endpoint, the compiled-in key, the
    // application's version, the product's identity, the environment
    // switches VARNEL_RUN_CONTEXT and VARNEL_TELEMETRY_DISABLED, the live
    // stores. The pending file is computed when none is given.
    static Configuration defaultConfiguration(const ProductIdentity& product,
                                              std::optional<QString> pendingFilePath = std::nullopt);
    // <Application Support, or the temporary folder>/<appSupportDirName>/pending-events.json
    static QString defaultPendingFilePath(const FileSystemOperating& fs, const QString& appSupportDirName);
    // 0.5 s after the first try, 1 s after the second.
    static std::chrono::milliseconds defaultRetryDelay(int attempt);

    // Builds the process-wide instance. Call it once, at start, before anything
    // tracks; false (and nothing changes) when the instance already exists.
    static bool configureShared(Configuration configuration);
    // The process-wide instance. Before configureShared() it is a disabled
    // service that reads and writes nothing, so a program or test that never
    // configured telemetry never sends any.
    static TelemetryService& shared();

    explicit TelemetryService(Configuration configuration);
    ~TelemetryService();
    TelemetryService(const TelemetryService&) = delete;
    TelemetryService& operator=(const TelemetryService&) = delete;

    // Queues one event and starts a flush. Never blocks; does nothing when
    // telemetry is disabled.
    void track(const QString& name, Json data = Json::object());
    void track(TrackedEvent event) { track(event.name, std::move(event.data)); }

    // Starts sending the queued events, unless a flush is already running (it
    // picks up whatever is queued behind it).
    void flush();
    // Read and write the pending file, on the service's thread. The service
    // loads it by itself when it starts and writes it after every flush step.
    void loadPending();
    void persistPending();

    // Sends one event, retrying server and transport failures up to three tries
    // in all. True when the event leaves the queue (delivered, or rejected for
    // good with a 4xx), false when it stays. Blocks; `stop` cuts the retries short.
    bool send(const Event& event, int attempt = 0, std::stop_token stop = {}) const;

    // Waits until everything handed to the service so far has been done,
    // including the flush it started. For tests, benchmarks and tools; false
    // on timeout.
    bool waitUntilIdle(std::chrono::milliseconds timeout = std::chrono::seconds(30));
    // A copy of the queue, taken on the service's thread (waits for the
    // current step).
    std::vector<Event> pendingEvents();

    const Configuration& configuration() const { return configuration_; }
    QUuid sessionID() const { return sessionID_; }
    QString pendingFilePath() const { return pendingFile_; }

private:
    // Everything below runs on the executor's thread only.
    void append(Event event);
    void startFlush();
    void flushStep(std::stop_token stop);
    void loadPendingNow();
    void removeLeftoverTemporaryFiles();
    void persistPendingNow();

    const Configuration configuration_;
    const QUuid sessionID_;
    const QString pendingFile_;
    const std::shared_ptr<const HTTPFetching> http_;

    std::deque<Event> pending_;
    bool isFlushing_ = false;

    SerialExecutor executor_;  // last: it stops before the state above goes away
};

}  // namespace varnel
