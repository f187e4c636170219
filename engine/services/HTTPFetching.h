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
    // What data() keeps in memory unless a request says otherwise: API answers
    // are small, and anything larger belongs in download().
    static constexpr int64_t defaultMaxBodyBytes = 8 * 1024 * 1024;

    QUrl url;
    QByteArray method = "GET";
    HttpHeaders headers;
    QByteArray body;
    double timeoutSeconds = 60.0;
    int64_t maxBodyBytes = defaultMaxBodyBytes;  // data() only; a larger answer fails with tooLarge
};

struct HttpResponse {
    int statusCode = 0;
    HttpHeaders headers;  // names as the server sent them
    // Case-insensitive header lookup; empty when absent.
    QByteArray header(const QByteArray& name) const;
};

// The failures that callers tell apart (readiness classifies
// cannotFindHost/cannotConnectToHost/notConnectedToInternet/networkConnectionLost
// as "down" and anything else as a timeout).
enum class HttpErrorKind {
    cannotFindHost,          // DNS
    cannotConnectToHost,     // refused, unreachable host
    notConnectedToInternet,  // no network at all
    networkConnectionLost,   // the connection broke mid-exchange
    timedOut,
    cancelled,               // a stop request
    secureConnectionFailed,  // TLS handshake or certificate
    insecureRedirect,        // a redirect that leaves https
    tooLarge,                // more than HttpRequest::maxBodyBytes
    httpStatus,              // download() of a 4xx/5xx answer; `code` holds the status
    badServerResponse,
    other,
};

struct HttpError {
    HttpErrorKind kind = HttpErrorKind::other;
    QString message;  // names the cause and the server, for people to read
    int code = 0;     // the transport's own code (curl's CURLcode), or the HTTP status for httpStatus
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
// the transfer with HttpErrorKind::cancelled. Redirects are followed only to
// https addresses.
class HTTPFetching {
public:
    virtual ~HTTPFetching() = default;

    // The whole answer in memory, at most `request.maxBodyBytes` of it. An
    // HTTP error status is an answer, not a failure.
    virtual Expected<HttpDataResult, HttpError> data(const HttpRequest& request, std::stop_token stop = {}) const = 0;

    // The answer in a file, without a size limit. A 4xx or 5xx status is a
    // failure (httpStatus) and leaves no file.
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
