#include "engine/telemetry/TelemetrySession.h"

#include <algorithm>

namespace varnel {

TelemetrySession::TelemetrySession(std::shared_ptr<const HTTPFetching> base, QString anonKey,
                                   double requestTimeoutSeconds)
    : base_(std::move(base)), authorization_("Bearer " + anonKey.toUtf8()), requestTimeoutSeconds_(requestTimeoutSeconds)
{
}

Expected<HttpDataResult, HttpError> TelemetrySession::data(const HttpRequest& request, std::stop_token stop) const
{
    HttpRequest sent = request;
    // The session's headers win over the request's own, as they would in a
    // platform session configured with additional headers.
    std::erase_if(sent.headers, [](const auto& header) {
        return header.first.compare("Content-Type", Qt::CaseInsensitive) == 0 ||
               header.first.compare("Authorization", Qt::CaseInsensitive) == 0;
    });
    sent.headers.emplace_back("Content-Type", "application/json");
    sent.headers.emplace_back("Authorization", authorization_);
    sent.timeoutSeconds = requestTimeoutSeconds_;
    return base_->data(sent, std::move(stop));
}

Expected<HttpDownloadResult, HttpError> TelemetrySession::download(const QUrl& url, const DownloadProgress& progress,
                                                                   std::stop_token stop) const
{
    return base_->download(url, progress, std::move(stop));
}

Expected<ThroughputSample, HttpError> TelemetrySession::sampleThroughput(const HttpRequest& request, int64_t maxBytes,
                                                                         double maxDuration, std::stop_token stop) const
{
    return base_->sampleThroughput(request, maxBytes, maxDuration, std::move(stop));
}

}  // namespace varnel
