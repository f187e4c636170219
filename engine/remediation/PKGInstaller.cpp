#include "engine/remediation/PKGInstaller.h"

#include "engine/remediation/AdministratorInstall.h"
#include "engine/remediation/PackageDownload.h"

#include <condition_variable>
#include <mutex>
#include <thread>

namespace varnel {

namespace {

using Clock = std::chrono::steady_clock;

// Says `slowResponse` once after `delay`, unless dismissed or stopped first.
// Dismissed (and joined) at the latest when it goes out of scope, so it never
// speaks after the phase it watches.
class Watchdog {
public:
    Watchdog(std::chrono::milliseconds delay, std::stop_token runStop, std::function<void()> notice)
        : thread_([delay, runStop, notice = std::move(notice)](std::stop_token own) {
              std::mutex lock;
              std::condition_variable_any woken;
              std::unique_lock guard(lock);
              const Clock::time_point deadline = Clock::now() + delay;
              std::stop_callback wakeOnRunStop(runStop, [&] { woken.notify_all(); });
              while (!own.stop_requested() && !runStop.stop_requested() && Clock::now() < deadline)
                  woken.wait_until(guard, own, deadline, [&] { return runStop.stop_requested(); });
              if (!own.stop_requested() && !runStop.stop_requested())
                  notice();
          })
    {
    }
    void dismiss() { thread_.request_stop(); }

private:
    std::jthread thread_;
};

}  // namespace

PKGInstaller::PKGInstaller(const ProcessRunning& process, const HTTPFetching& http, const FileSystemOperating& fs,
                           const AdoptiumAPI& adoptium, Options options)
    : process_(&process), http_(&http), fs_(&fs), adoptium_(&adoptium), options_(std::move(options))
{
}

void PKGInstaller::install(const QString& major, const QString& passwordPrompt, std::stop_token stop,
                           const EventSink<Event>& sink) const
{
    std::mutex sinkLock;
    const EventSink<Event> tell = [&](const Event& e) {
        std::lock_guard guard(sinkLock);
        sink(e);
    };
    QString package;
    Event last = run(major, passwordPrompt, stop, tell, package);
    if (!package.isEmpty() && fs_->fileExists(package))
        (void)fs_->removeItem(package);
    if (stop.stop_requested())
        last = Event::of(Event::Kind::canceled);
    tell(last);
}

PKGInstaller::Event PKGInstaller::run(const QString& major, const QString& passwordPrompt, std::stop_token stop,
                                      const EventSink<Event>& tell, QString& package) const
{
    using Kind = Event::Kind;
    const QString architecture = QStringLiteral("aarch64");
    const auto slow = [&] { tell(Event::of(Kind::slowResponse)); };

    tell(Event::of(Kind::fetching));
    std::optional<Expected<AdoptiumAPI::AssetMetadata, AdoptiumAPI::Error>> lookup;
    {
        Watchdog watchdog(options_.lookupNotice, stop, slow);
        lookup.emplace(adoptium_->latestInstaller(major, architecture, stop));
    }
    if (!*lookup) {
        switch (lookup->error().kind) {
        case AdoptiumAPI::Error::Kind::canceled:
            return Event::of(Kind::canceled);
        case AdoptiumAPI::Error::Kind::timedOut:
            return Event::error(QStringLiteral(
                "Adoptium didn't respond within 20 seconds. Try again in a moment, or use Other Java install methods."));
        case AdoptiumAPI::Error::Kind::other:
            break;
        }
        return Event::error(lookup->error().localizedDescription());
    }
    const AdoptiumAPI::AssetMetadata asset = lookup->value();
    if (stop.stop_requested())
        return Event::of(Kind::canceled);

    const PackageDownload packages(*http_, *fs_);
    auto failure = [](const PackageDownload::Failure& f) {
        using FailureKind = PackageDownload::Failure::Kind;
        if (f.kind == FailureKind::canceled)
            return Event::of(Kind::canceled);
        if (f.kind == FailureKind::httpStatus)
            return Event::error(QStringLiteral("Adoptium download HTTP error"));
        return Event::error(f.localizedDescription());
    };
    const auto folder = packages.packageFolder(options_.packageFolderName);
    if (!folder)
        return failure(folder.error());
    package = *folder + QStringLiteral("/temurin-") + major + QLatin1Char('-') + architecture + QStringLiteral(".pkg");

    {
        Watchdog watchdog(options_.downloadNotice, stop, slow);
        // Progress only grows, and at most every progressInterval; the last
        // count is always told.
        int64_t told = 0;
        int64_t latest = 0;
        std::optional<int64_t> total;
        Clock::time_point lastTold{};
        const DownloadProgress progress = [&](int64_t received, int64_t expected) {
            watchdog.dismiss();
            latest = received;
            total = expected >= 0 ? std::optional<int64_t>(expected) : std::nullopt;
            const Clock::time_point now = Clock::now();
            if (received > told && (now - lastTold >= options_.progressInterval || (total && received >= *total))) {
                told = received;
                lastTold = now;
                tell(Event::downloading(received, total));
            }
        };
        const auto downloaded = packages.download(asset.downloadURL, package, progress, stop);
        if (!downloaded)
            return failure(downloaded.error());
        if (latest > told)
            tell(Event::downloading(latest, total));
    }

    tell(Event::of(Kind::verifying));
    if (auto verified = packages.verify(package, asset.checksum); !verified)
        return failure(verified.error());
    if (stop.stop_requested())
        return Event::of(Kind::canceled);

    tell(Event::of(Kind::installing));
    // Once more, right before the installer gets it.
    if (auto verified = packages.verify(package, asset.checksum); !verified)
        return failure(verified.error());
    const auto outcome = AdministratorInstall(*process_, options_.programs).run(package, passwordPrompt, stop);
    switch (outcome.kind) {
    case AdministratorInstall::Outcome::Kind::installed:
        return Event::of(Kind::completed);
    case AdministratorInstall::Outcome::Kind::canceled:
        return Event::of(Kind::canceled);
    case AdministratorInstall::Outcome::Kind::failed:
        break;
    }
    return Event::error(outcome.failure);
}

}  // namespace varnel
