#pragma once

#include "engine/services/HTTPFetching.h"

namespace varnel {

// HTTPFetching over libcurl (blocking easy handles, one per call).
class LiveHTTPFetcher final : public HTTPFetching {
public:
    LiveHTTPFetcher();

    Expected<HttpDataResult, HttpError> data(const HttpRequest& request, std::stop_token stop = {}) const override;
    Expected<HttpDownloadResult, HttpError> download(const QUrl& url, const DownloadProgress& progress = {},
                                                     std::stop_token stop = {}) const override;
    Expected<ThroughputSample, HttpError> sampleThroughput(const HttpRequest& request, int64_t maxBytes,
                                                           double maxDuration, std::stop_token stop = {}) const override;
};

}  // namespace varnel
