#pragma once

#include "engine/services/HTTPFetching.h"

#include <QString>

#include <memory>

namespace varnel {

// The HTTP client usage events are posted with: every request carries the
// JSON content type and the anonymous key as a bearer token, and gives up
// after `requestTimeoutSeconds`. Everything else goes to the wrapped fetcher.
class TelemetrySession final : public HTTPFetching {
public:
    TelemetrySession(std::shared_ptr<const HTTPFetching> base, QString anonKey, double requestTimeoutSeconds = 15.0);

    Expected<HttpDataResult, HttpError> data(const HttpRequest& request, std::stop_token stop = {}) const override;
    Expected<HttpDownloadResult, HttpError> download(const QUrl& url, const DownloadProgress& progress = {},
                                                     std::stop_token stop = {}) const override;
    Expected<ThroughputSample, HttpError> sampleThroughput(const HttpRequest& request, int64_t maxBytes,
                                                           double maxDuration, std::stop_token stop = {}) const override;

private:
    std::shared_ptr<const HTTPFetching> base_;
    QByteArray authorization_;
    double requestTimeoutSeconds_;
};

}  // namespace varnel
