#pragma once

#include "engine/services/HTTPFetching.h"

namespace varnel {

// HTTPFetching over libcurl. Every call runs one blocking transfer on the
// calling thread; a stop request wakes the transfer at once and ends it with
// HttpErrorKind::cancelled. Requests go to http or https addresses; redirects
// are followed only to https ones. Every failure's message names its cause
// (DNS, refused, timeout, TLS, status, size, redirect) and the server.
//
// Time limits:
//   data()             `timeoutSeconds` bounds the whole exchange.
//   download()         no overall limit (packages are large); the transfer fails
//                      when connecting takes a minute or nothing arrives for a minute.
//   sampleThroughput() `maxDuration` ends the sample (not an error);
//                      `timeoutSeconds`, when shorter, limits connecting.
//
// Each thread keeps its own idle connections, so consecutive requests from
// one thread (the telemetry sender) reuse a connection instead of paying for
// a new TCP and TLS handshake every time. Stateless otherwise; any number of
// threads may use one instance at once.
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
