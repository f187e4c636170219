#include "engine/services/LiveHTTPFetcher.h"

// Placeholder until the libcurl implementation lands.
namespace varnel {

LiveHTTPFetcher::LiveHTTPFetcher() = default;

Expected<HttpDataResult, HttpError> LiveHTTPFetcher::data(const HttpRequest&, std::stop_token) const
{
    return Expected<HttpDataResult, HttpError>::failure({HttpErrorKind::other, QStringLiteral("not implemented"), 0});
}

Expected<HttpDownloadResult, HttpError> LiveHTTPFetcher::download(const QUrl&, const DownloadProgress&,
                                                                  std::stop_token) const
{
    return Expected<HttpDownloadResult, HttpError>::failure(
        {HttpErrorKind::other, QStringLiteral("not implemented"), 0});
}

Expected<ThroughputSample, HttpError> LiveHTTPFetcher::sampleThroughput(const HttpRequest&, int64_t, double,
                                                                        std::stop_token) const
{
    return Expected<ThroughputSample, HttpError>::failure({HttpErrorKind::other, QStringLiteral("not implemented"), 0});
}

}  // namespace varnel
