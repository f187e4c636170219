#pragma once

#include "engine/services/Expected.h"

#include <QByteArray>
#include <QString>
#include <QUrl>

#include <cstdint>
#include <functional>
#include <stop_token>
#include <utility>
#include <vector>

namespace varnel {

using HttpHeaders = std::vector<std::pair<QByteArray, QByteArray>>;

struct HttpRequest {
    QUrl url;
    QByteArray method = "GET";
    HttpHeaders headers;
    QByteArray body;
    double timeoutSeconds = 60.0;
};

struct HttpResponse {
    int statusCode = 0;
    HttpHeaders headers;  // names as the server sent them
    // Case-insensitive header lookup; empty when absent.
    QByteArray header(const QByteArray& name) const;
};

// The transport failures that callers tell apart (readiness classifies
// cannotFindHost/cannotConnectToHost/notConnectedToInternet/networkConnectionLost
// as "down" and anything else as a timeout).
enum class HttpErrorKind {
    cannotFindHost,
    cannotConnectToHost,
    notConnectedToInternet,
    networkConnectionLost,
    timedOut,
    cancelled,
    badServerResponse,
    other,
};

struct HttpError {
    HttpErrorKind kind = HttpErrorKind::other;
    QString message;
    int code = 0;  // the transport's own code (curl's CURLcode)
    QString localizedDescription() const { return message; }
};

struct HttpDataResult {
    QByteArray body;
    HttpResponse response;
};

struct HttpDownloadResult {
    QString filePath;  // a temporary file the caller moves or removes
    HttpResponse response;
};

struct ThroughputSample {
    int64_t bytesReceived = 0;
    double elapsedSeconds = 0.0001;  // never less than 0.0001
};

// (bytes received so far, expected total or -1 when unknown)
using DownloadProgress = std::function<void(int64_t received, int64_t total)>;

// Network access. Blocking; call from worker threads. A stop request aborts
// the transfer with HttpErrorKind::cancelled.
class HTTPFetching {
public:
    virtual ~HTTPFetching() = default;

    virtual Expected<HttpDataResult, HttpError> data(const HttpRequest& request, std::stop_token stop = {}) const = 0;

    virtual Expected<HttpDownloadResult, HttpError> download(const QUrl& url, const DownloadProgress& progress = {},
                                                             std::stop_token stop = {}) const = 0;

    // Reads at most `maxBytes` of the response for at most `maxDuration`
    // seconds, counting bytes without keeping them. A transport failure before
    // any byte arrived is an error; after that, the bytes counted so far are
    // the result.
    virtual Expected<ThroughputSample, HttpError> sampleThroughput(const HttpRequest& request, int64_t maxBytes,
                                                                   double maxDuration,
                                                                   std::stop_token stop = {}) const = 0;
};

}  // namespace varnel
