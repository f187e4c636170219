#include "engine/telemetry/TelemetryService.h"

#include "engine/services/AppServices.h"
#include "engine/services/Hosts.h"
#include "engine/services/LiveHTTPFetcher.h"
#include "engine/telemetry/AnonKey.h"
#include "engine/telemetry/EventPayload.h"
#include "engine/telemetry/SessionID.h"
#include "engine/telemetry/TelemetrySession.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QtGlobal>

#include <condition_variable>
#include <future>
#include <mutex>

namespace varnel {

namespace {

void log(const QString& line) { qWarning().noquote() << line; }

QString appVersionLabel()
{
#ifdef VARNEL_VERSION
    QString shortVersion = QStringLiteral(VARNEL_VERSION);
#else
    QString shortVersion;
#endif
#ifdef VARNEL_BUILD_NUMBER
    QString build = QStringLiteral(VARNEL_BUILD_NUMBER);
#else
    QString build;
#endif
    if (shortVersion.isEmpty())
        shortVersion = QStringLiteral("0.0");
    if (build.isEmpty())
        build = QStringLiteral("0");
    return shortVersion + QStringLiteral(" (") + build + u')';
}

// Internet date-time in UTC with milliseconds: 2026-03-01T14:05:09.123Z
QString timestamp(qint64 msecsSinceEpoch)
{
    return QDateTime::fromMSecsSinceEpoch(msecsSinceEpoch, Qt::UTC).toString(Qt::ISODateWithMs);
}

void sleepUnlessStopped(std::chrono::milliseconds duration, const std::stop_token& stop)
{
    if (duration.count() <= 0)
        return;
    std::mutex lock;
    std::condition_variable wake;
    std::stop_callback onStop(stop, [&] {
        std::lock_guard guard(lock);
        wake.notify_all();
    });
    std::unique_lock guard(lock);
    wake.wait_for(guard, duration, [&] { return stop.stop_requested(); });
}

}  // namespace

// ---- configuration ------------------------------------------------------------------

std::chrono::milliseconds TelemetryService::defaultRetryDelay(int attempt)
{
    // 2^(attempt+1) × 0.25 s
    return std::chrono::milliseconds(250 << (attempt + 1));
}

QString TelemetryService::defaultPendingFilePath(const FileSystemOperating& fs, const QString& appSupportDirName)
{
    const auto support = fs.directory(DirectoryLocation::applicationSupport, true);
    const QString base = support ? support.value() : fs.temporaryDirectory();
    return QDir(QDir(base).filePath(appSupportDirName)).filePath(QStringLiteral("pending-events.json"));
}

TelemetryService::Configuration TelemetryService::defaultConfiguration(const ProductIdentity& product,
                                                                       std::optional<QString> pendingFilePath)
{
    const AppServices& live = AppServices::live();
    Configuration c;
    c.endpointURL = QUrl(hosts::telemetryBackend() + QStringLiteral("/api/database/records/usage_events"));
    c.anonKey = telemetry::anonKey();
    c.appVersion = appVersionLabel();
    c.appID = product.appID;
    c.sessionIDKey = product.sessionIDKey;
    c.runContext = qEnvironmentVariableIsSet("VARNEL_RUN_CONTEXT") ? qEnvironmentVariable("VARNEL_RUN_CONTEXT")
                                                                    : QStringLiteral("release");
    c.disabled = qEnvironmentVariable("VARNEL_TELEMETRY_DISABLED") == QStringLiteral("1");
    c.fetcherFactory = [](const Configuration& configuration) -> std::shared_ptr<const HTTPFetching> {
        return std::make_shared<TelemetrySession>(std::make_shared<LiveHTTPFetcher>(), configuration.anonKey);
    };
    c.kvStore = live.store;
    c.fs = live.fs;
    c.pendingFilePath = pendingFilePath ? *pendingFilePath : defaultPendingFilePath(*live.fs, product.appSupportDirName);
    return c;
}

namespace {
std::mutex& sharedLock()
{
    static std::mutex lock;
    return lock;
}
std::unique_ptr<TelemetryService>& sharedInstance()
{
    static std::unique_ptr<TelemetryService> instance;
    return instance;
}
}  // namespace

bool TelemetryService::configureShared(Configuration configuration)
{
    std::lock_guard guard(sharedLock());
    if (sharedInstance())
        return false;
    sharedInstance() = std::make_unique<TelemetryService>(std::move(configuration));
    return true;
}

TelemetryService& TelemetryService::shared()
{
    std::lock_guard guard(sharedLock());
    if (!sharedInstance()) {
        Configuration inert;  // no store, no file, no HTTP client
        inert.disabled = true;
        sharedInstance() = std::make_unique<TelemetryService>(std::move(inert));
    }
    return *sharedInstance();
}

// ---- lifecycle ------------------------------------------------------------------------

TelemetryService::TelemetryService(Configuration configuration)
    : configuration_(std::move(configuration)),
      // Switched off, the service leaves the user's settings alone too.
      sessionID_(configuration_.kvStore && !configuration_.disabled && !configuration_.sessionIDKey.isEmpty()
                     ? SessionID(*configuration_.kvStore, configuration_.sessionIDKey).value()
                     : QUuid::createUuid()),
      pendingFile_(configuration_.pendingFilePath),
      http_(configuration_.fetcherFactory ? configuration_.fetcherFactory(configuration_) : nullptr)
{
    executor_.post([this](std::stop_token) { loadPendingNow(); });
}

// The executor is the last member, so it stops (interrupting a send in
// flight) before the queue it works on is destroyed.
TelemetryService::~TelemetryService() = default;

// ---- the public face: hands work to the service's thread -------------------------------

void TelemetryService::track(const QString& name, Json data)
{
    if (configuration_.disabled)
        return;
    if (data.is_null())  // a builder's `{}` means no data
        data = Json::object();
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    executor_.post([this, name, data = std::move(data), now](std::stop_token) mutable {
        append(Event{sessionID_, timestamp(now), configuration_.appVersion, name, std::move(data)});
        startFlush();
    });
}

void TelemetryService::flush()
{
    executor_.post([this](std::stop_token) { startFlush(); });
}

void TelemetryService::loadPending()
{
    executor_.post([this](std::stop_token) { loadPendingNow(); });
}

void TelemetryService::persistPending()
{
    executor_.post([this](std::stop_token) { persistPendingNow(); });
}

bool TelemetryService::waitUntilIdle(std::chrono::milliseconds timeout)
{
    // From the service's own thread this would wait for itself.
    return !executor_.isCurrentThread() && executor_.waitUntilIdle(timeout);
}

std::vector<TelemetryService::Event> TelemetryService::pendingEvents()
{
    if (executor_.isCurrentThread())
        return {pending_.begin(), pending_.end()};
    auto copy = std::make_shared<std::promise<std::vector<Event>>>();
    std::future<std::vector<Event>> result = copy->get_future();
    executor_.post([this, copy](std::stop_token) { copy->set_value({pending_.begin(), pending_.end()}); });
    return result.wait_for(std::chrono::seconds(60)) == std::future_status::ready ? result.get()
                                                                                   : std::vector<Event>{};
}

// ---- sending ---------------------------------------------------------------------------------

bool TelemetryService::send(const Event& event, int attempt, std::stop_token stop) const
{
    const EventPayload payload = EventPayload::make(event, configuration_.appID, configuration_.runContext);
    // The backend takes a list of records: one event is a one-element array.
    if (!http_)
        return false;

    HttpRequest request;
    request.url = configuration_.endpointURL;
    request.method = "POST";
    request.body = json::encoded(Json::array({payload.toJSON()}));
    request.timeoutSeconds = 60;

    for (;; ++attempt) {
        const auto result = http_->data(request, stop);
        if (result) {
            const int status = result->response.statusCode;
            if (status >= 200 && status <= 299)
                return true;
            if (status >= 400 && status <= 499) {
                log(QStringLiteral("Telemetry: dropping event after %1 (likely event_name or schema mismatch)")
                        .arg(status));
                return true;
            }
        }
        // Server errors, redirects that led nowhere and transport failures are retried.
        if (attempt > 1 || stop.stop_requested())
            return false;
        sleepUnlessStopped(configuration_.retryDelay ? configuration_.retryDelay(attempt)
                                                     : defaultRetryDelay(attempt),
                           stop);
        if (stop.stop_requested())
            return false;
    }
}

// ---- on the service's thread ---------------------------------------------------------------

void TelemetryService::append(Event event) { pending_.push_back(std::move(event)); }

void TelemetryService::startFlush()
{
    if (isFlushing_)
        return;
    isFlushing_ = true;
    executor_.post([this](std::stop_token stop) { flushStep(stop); });
}

// One event per step. Each step is a task of its own, so events tracked while
// a send was waiting on the network join the queue before the next step.
void TelemetryService::flushStep(std::stop_token stop)
{
    if (pending_.empty()) {
        isFlushing_ = false;
        return;
    }
    const Event head = pending_.front();
    if (!send(head, 0, stop)) {
        persistPendingNow();
        isFlushing_ = false;
        return;
    }
    // The head is still the event that was sent: nothing else runs during a step.
    // The file mirrors the queue after every step, so a crash never sends a
    // delivered event twice. (A backlog is a handful of events in practice.)
    pending_.pop_front();
    persistPendingNow();
    if (stop.stop_requested()) {
        isFlushing_ = false;
        return;
    }
    executor_.post([this](std::stop_token next) { flushStep(next); });
}

void TelemetryService::loadPendingNow()
{
    const FileSystemOperating* fs = configuration_.fs.get();
    if (!fs || pendingFile_.isEmpty())
        return;
    removeLeftoverTemporaryFiles();
    if (!fs->fileExists(pendingFile_))
        return;
    const auto contents = fs->contents(pendingFile_);
    if (!contents) {
        log(QStringLiteral("Telemetry: couldn't load pending events: ") + contents.error().localizedDescription());
        return;
    }
    auto loaded = TelemetryEvent::decodeList(contents.value());
    if (!loaded) {
        // The file stays as it is; the next persist overwrites it.
        log(QStringLiteral("Telemetry: couldn't load pending events: ") + loaded.error());
        return;
    }
    // Events from an earlier run go first.
    pending_.insert(pending_.begin(), std::make_move_iterator(loaded.value().begin()),
                    std::make_move_iterator(loaded.value().end()));
    startFlush();
}

// An atomic write goes to "<file>.XXXXXX" beside the file and is renamed over
// it; a process killed mid-write leaves that temporary file behind, and
// nothing else would ever remove it.
void TelemetryService::removeLeftoverTemporaryFiles()
{
    const FileSystemOperating& fs = *configuration_.fs;
    const QFileInfo pending(pendingFile_);
    const auto names = fs.contentsOfDirectory(pending.absolutePath());
    if (!names)
        return;
    static const QRegularExpression temporarySuffix(QStringLiteral("^\\.[A-Za-z0-9]{6}$"));
    const QString prefix = pending.fileName();
    for (const QString& name : names.value()) {
        if (name.startsWith(prefix) && temporarySuffix.match(QStringView(name).mid(prefix.size())).hasMatch())
            (void)fs.removeItem(pending.absoluteDir().filePath(name));
    }
}

void TelemetryService::persistPendingNow()
{
    const FileSystemOperating* fs = configuration_.fs.get();
    if (!fs || pendingFile_.isEmpty())
        return;
    auto fail = [](const QString& description) {
        log(QStringLiteral("Telemetry: couldn't persist pending events: ") + description);
    };

    const QString folder = QFileInfo(pendingFile_).absolutePath();
    bool isDirectory = false;
    if (!fs->fileExists(folder, &isDirectory) || !isDirectory) {
        const auto created = fs->createDirectory(folder, true);
        if (!created)
            return fail(created.error().localizedDescription());
    }
    if (pending_.empty()) {
        if (fs->fileExists(pendingFile_))
            (void)fs->removeItem(pendingFile_);
        return;
    }
    // Written to a temporary file and renamed over the old one, so a crash at
    // any moment leaves either the old list or the new one.
    const auto written = fs->writeData(TelemetryEvent::encodeList(pending_), pendingFile_, true);
    if (!written)
        fail(written.error().localizedDescription());
}

}  // namespace varnel
