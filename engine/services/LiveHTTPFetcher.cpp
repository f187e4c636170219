#include "engine/services/LiveHTTPFetcher.h"

#include <QDir>
#include <QFile>

#include <curl/curl.h>

#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstring>
#include <mutex>
#include <optional>
#include <unistd.h>

namespace varnel {

namespace {

using Clock = std::chrono::steady_clock;

void ensureCurlInitialised()
{
    // curl_global_init is not thread-safe on every platform libcurl supports.
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

long milliseconds(double seconds)
{
    return static_cast<long>(std::max(1.0, std::ceil(seconds * 1000.0)));
}

// ---- one multi handle per thread --------------------------------------------
//
// Transfers run through a multi handle rather than curl_easy_perform so that a
// stop request can wake the wait immediately (curl_multi_wakeup) instead of
// at the next progress tick. Keeping the handle for the thread's lifetime also
// keeps its connection cache, so a thread that posts request after request to
// one host reuses the connection.

class ThreadMulti {
public:
    ~ThreadMulti()
    {
        if (multi_)
            curl_multi_cleanup(multi_);
    }

    // The thread's cached handle, or a private one when a callback of a running
    // transfer starts another transfer on the same thread.
    CURLM* acquire()
    {
        if (busy_)
            return curl_multi_init();
        if (!multi_)
            multi_ = curl_multi_init();
        busy_ = true;
        return multi_;
    }

    void release(CURLM* multi)
    {
        if (multi == multi_)
            busy_ = false;
        else
            curl_multi_cleanup(multi);
    }

private:
    CURLM* multi_ = nullptr;
    bool busy_ = false;
};

ThreadMulti& threadMulti()
{
    thread_local ThreadMulti instance;
    return instance;
}

struct Waker {
    CURLM* multi;
    void operator()() const { curl_multi_wakeup(multi); }
};

struct PerformResult {
    CURLcode code = CURLE_OK;
    bool cancelled = false;
};

PerformResult perform(CURL* easy, const std::stop_token& stop)
{
    if (stop.stop_requested())
        return {CURLE_ABORTED_BY_CALLBACK, true};

    ThreadMulti& cache = threadMulti();
    CURLM* multi = cache.acquire();
    if (!multi)
        return {CURLE_OUT_OF_MEMORY, false};
    if (curl_multi_add_handle(multi, easy) != CURLM_OK) {
        cache.release(multi);
        return {CURLE_FAILED_INIT, false};
    }

    PerformResult result;
    {
        std::optional<std::stop_callback<Waker>> wake;
        if (stop.stop_possible())
            wake.emplace(stop, Waker{multi});
        for (bool done = false; !done;) {
            int running = 0;
            if (curl_multi_perform(multi, &running) != CURLM_OK) {
                result.code = CURLE_FAILED_INIT;
                break;
            }
            int queued = 0;
            while (CURLMsg* message = curl_multi_info_read(multi, &queued)) {
                if (message->msg == CURLMSG_DONE && message->easy_handle == easy) {
                    result.code = message->data.result;
                    done = true;
                }
            }
            if (done)
                break;
            if (running == 0) {  // finished without saying how: treat as a failure
                result.code = CURLE_RECV_ERROR;
                break;
            }
            if (stop.stop_requested()) {
                result = {CURLE_ABORTED_BY_CALLBACK, true};
                break;
            }
            if (curl_multi_poll(multi, nullptr, 0, 1000, nullptr) != CURLM_OK) {
                result.code = CURLE_FAILED_INIT;
                break;
            }
        }
    }
    curl_multi_remove_handle(multi, easy);
    cache.release(multi);
    return result;
}

// ---- errors -------------------------------------------------------------------

// How a server is named in messages: host and, when not the default, port.
QString serverOf(const QUrl& url)
{
    return url.port() > 0 ? QStringLiteral("%1:%2").arg(url.host()).arg(url.port()) : url.host();
}

// An address as messages show it: without credentials or query, which may hold secrets.
QString shownAddress(const QUrl& url)
{
    return url.toString(QUrl::RemoveUserInfo | QUrl::RemoveQuery | QUrl::RemoveFragment);
}

bool isTlsFailure(CURLcode code)
{
    switch (code) {
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_SSL_ENGINE_NOTFOUND:
    case CURLE_SSL_ENGINE_SETFAILED:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_USE_SSL_FAILED:
    case CURLE_SSL_ENGINE_INITFAILED:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_SHUTDOWN_FAILED:
    case CURLE_SSL_CRL_BADFILE:
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
    case CURLE_SSL_INVALIDCERTSTATUS:
        return true;
    default:
        return false;
    }
}

// ---- one transfer --------------------------------------------------------------

size_t discardWrite(char*, size_t size, size_t count, void*) { return size * count; }

class Transfer {
public:
    Transfer()
    {
        ensureCurlInitialised();
        easy_ = curl_easy_init();
        errorBuffer_[0] = '\0';
        if (!easy_)
            return;
        curl_easy_setopt(easy_, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(easy_, CURLOPT_ERRORBUFFER, errorBuffer_);
        curl_easy_setopt(easy_, CURLOPT_FOLLOWLOCATION, 1L);
        curl_easy_setopt(easy_, CURLOPT_MAXREDIRS, 10L);
        // A redirect may only lead to https: an answer that starts out secure
        // must not be finished in the clear. (curl refuses any other target
        // with CURLE_UNSUPPORTED_PROTOCOL after the redirect was counted.)
#if LIBCURL_VERSION_NUM >= 0x075500
        curl_easy_setopt(easy_, CURLOPT_PROTOCOLS_STR, "http,https");
        curl_easy_setopt(easy_, CURLOPT_REDIR_PROTOCOLS_STR, "https");
#else
        curl_easy_setopt(easy_, CURLOPT_PROTOCOLS, static_cast<long>(CURLPROTO_HTTP | CURLPROTO_HTTPS));
        curl_easy_setopt(easy_, CURLOPT_REDIR_PROTOCOLS, static_cast<long>(CURLPROTO_HTTPS));
#endif
        curl_easy_setopt(easy_, CURLOPT_USERAGENT, "Varnel/" VARNEL_VERSION);
        curl_easy_setopt(easy_, CURLOPT_HEADERFUNCTION, &Transfer::onHeader);
        curl_easy_setopt(easy_, CURLOPT_HEADERDATA, this);
        curl_easy_setopt(easy_, CURLOPT_WRITEFUNCTION, &discardWrite);
    }

    ~Transfer()
    {
        if (easy_)
            curl_easy_cleanup(easy_);
        if (headerList_)
            curl_slist_free_all(headerList_);
    }

    Transfer(const Transfer&) = delete;
    Transfer& operator=(const Transfer&) = delete;

    bool isValid() const { return easy_ != nullptr; }
    CURL* handle() const { return easy_; }

    void setURL(const QUrl& url)
    {
        address_ = url;
        url_ = url.toEncoded();
        curl_easy_setopt(easy_, CURLOPT_URL, url_.constData());
    }

    const QUrl& address() const { return address_; }

    void setRequest(const HttpRequest& request)
    {
        setURL(request.url);
        method_ = request.method.isEmpty() ? QByteArray("GET") : request.method.toUpper();
        body_ = request.body;
        if (method_ == "GET" && body_.isEmpty()) {
            curl_easy_setopt(easy_, CURLOPT_HTTPGET, 1L);
        } else if (method_ == "HEAD") {
            curl_easy_setopt(easy_, CURLOPT_NOBODY, 1L);
        } else {
            if (method_ != "POST")
                curl_easy_setopt(easy_, CURLOPT_CUSTOMREQUEST, method_.constData());
            if (method_ == "POST" || !body_.isEmpty()) {
                curl_easy_setopt(easy_, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body_.size()));
                curl_easy_setopt(easy_, CURLOPT_POSTFIELDS, body_.constData());
            }
        }
        for (const auto& [name, value] : request.headers)
            addHeader(value.isEmpty() ? name + ';' : name + ": " + value);
        // curl would otherwise hold larger bodies back for a "100 Continue".
        addHeader("Expect:");
        curl_easy_setopt(easy_, CURLOPT_HTTPHEADER, headerList_);
    }

    PerformResult run(const std::stop_token& stop) { return perform(easy_, stop); }

    // Why the transfer failed, in words that name the cause and the server.
    HttpError error(CURLcode code) const
    {
        const QString server = serverOf(address_);
        const QString detail = QString::fromUtf8(errorBuffer_[0] ? errorBuffer_ : curl_easy_strerror(code));
        auto make = [&](HttpErrorKind kind, const QString& text) {
            return HttpError{kind, text, static_cast<int>(code)};
        };
        switch (code) {
        case CURLE_COULDNT_RESOLVE_HOST:
        case CURLE_COULDNT_RESOLVE_PROXY:
            return make(HttpErrorKind::cannotFindHost,
                        QStringLiteral("A server with the specified hostname could not be found "
                                       "(no DNS answer for %1).").arg(server));
        case CURLE_COULDNT_CONNECT: {
            long osError = 0;
            curl_easy_getinfo(easy_, CURLINFO_OS_ERRNO, &osError);
            if (osError == ENETUNREACH || osError == ENETDOWN)
                return make(HttpErrorKind::notConnectedToInternet,
                            QStringLiteral("The Internet connection appears to be offline (%1 is unreachable).")
                                .arg(server));
            const QString reason = osError != 0 ? QString::fromLocal8Bit(std::strerror(static_cast<int>(osError)))
                                                : detail;
            return make(HttpErrorKind::cannotConnectToHost,
                        QStringLiteral("Could not connect to the server %1 (%2).").arg(server, reason));
        }
        case CURLE_SEND_ERROR:
        case CURLE_RECV_ERROR:
        case CURLE_PARTIAL_FILE:
        case CURLE_GOT_NOTHING:
            return make(HttpErrorKind::networkConnectionLost,
                        QStringLiteral("The network connection to %1 was lost (%2).").arg(server, detail));
        case CURLE_OPERATION_TIMEDOUT:
            return make(HttpErrorKind::timedOut,
                        QStringLiteral("The request to %1 timed out (%2).").arg(server, detail));
        case CURLE_ABORTED_BY_CALLBACK:
            return make(HttpErrorKind::cancelled, QStringLiteral("The request to %1 was cancelled.").arg(server));
        case CURLE_UNSUPPORTED_PROTOCOL:
            if (redirectCount() > 0) {
                const char* target = nullptr;
                curl_easy_getinfo(easy_, CURLINFO_EFFECTIVE_URL, &target);
                return make(HttpErrorKind::insecureRedirect,
                            QStringLiteral("%1 redirected to %2, which is not an https address; the redirect "
                                           "was not followed.")
                                .arg(server, shownAddress(QUrl(QString::fromUtf8(target ? target : "")))));
            }
            break;
        case CURLE_WEIRD_SERVER_REPLY:
        case CURLE_BAD_CONTENT_ENCODING:
        case CURLE_HTTP2:
        case CURLE_HTTP2_STREAM:
        case CURLE_TOO_MANY_REDIRECTS:
        case CURLE_RANGE_ERROR:
            return make(HttpErrorKind::badServerResponse,
                        QStringLiteral("The server %1 returned an invalid response (%2).").arg(server, detail));
        default:
            if (isTlsFailure(code))
                return make(HttpErrorKind::secureConnectionFailed,
                            QStringLiteral("A secure connection to %1 could not be made (%2).").arg(server, detail));
            break;
        }
        return make(HttpErrorKind::other, QStringLiteral("The request to %1 failed (%2).").arg(server, detail));
    }

    HttpError tooLarge(int64_t limit) const
    {
        return HttpError{HttpErrorKind::tooLarge,
                         QStringLiteral("The answer from %1 is larger than the %2 bytes this request accepts.")
                             .arg(serverOf(address_))
                             .arg(limit),
                         static_cast<int>(CURLE_FILESIZE_EXCEEDED)};
    }

    long redirectCount() const
    {
        long count = 0;
        curl_easy_getinfo(easy_, CURLINFO_REDIRECT_COUNT, &count);
        return count;
    }

    HttpResponse response() const
    {
        HttpResponse response;
        long status = 0;
        curl_easy_getinfo(easy_, CURLINFO_RESPONSE_CODE, &status);
        response.statusCode = static_cast<int>(status);
        response.headers = headers_;
        return response;
    }

    bool connected() const
    {
        curl_off_t connectTime = 0;
        curl_easy_getinfo(easy_, CURLINFO_CONNECT_TIME_T, &connectTime);
        return connectTime > 0 || !headers_.empty();
    }

private:
    void addHeader(const QByteArray& line) { headerList_ = curl_slist_append(headerList_, line.constData()); }

    static size_t onHeader(char* data, size_t size, size_t count, void* context)
    {
        auto* self = static_cast<Transfer*>(context);
        const size_t length = size * count;
        const QByteArray line = QByteArray(data, static_cast<qsizetype>(length)).trimmed();
        if (line.startsWith("HTTP/")) {
            // A new response begins (after a redirect or a "100 Continue").
            self->headers_.clear();
        } else if (const qsizetype colon = line.indexOf(':'); colon > 0) {
            self->headers_.emplace_back(line.left(colon).trimmed(), line.mid(colon + 1).trimmed());
        }
        return length;
    }

    CURL* easy_ = nullptr;
    curl_slist* headerList_ = nullptr;
    char errorBuffer_[CURL_ERROR_SIZE];
    QUrl address_;
    QByteArray url_;
    QByteArray method_;
    QByteArray body_;  // curl reads POSTFIELDS in place, so it lives as long as the transfer
    HttpHeaders headers_;
};

template <typename T>
Expected<T, HttpError> failure(HttpErrorKind kind, const QString& message)
{
    return Expected<T, HttpError>::failure(HttpError{kind, message, 0});
}

// ---- callbacks -------------------------------------------------------------------

struct BodyBuffer {
    QByteArray* bytes = nullptr;
    int64_t limit = 0;
    bool overflowed = false;

    static size_t append(char* data, size_t size, size_t count, void* context)
    {
        auto* self = static_cast<BodyBuffer*>(context);
        const auto length = static_cast<int64_t>(size * count);
        if (self->bytes->size() + length > self->limit) {
            self->overflowed = true;
            return 0;  // curl ends the transfer with CURLE_WRITE_ERROR
        }
        self->bytes->append(data, static_cast<qsizetype>(length));
        return size * count;
    }
};

struct FileSink {
    int fd = -1;
    int64_t written = 0;
    int error = 0;

    static size_t write(char* data, size_t size, size_t count, void* context)
    {
        auto* sink = static_cast<FileSink*>(context);
        const size_t length = size * count;
        size_t done = 0;
        while (done < length) {
            const ssize_t n = ::write(sink->fd, data + done, length - done);
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                sink->error = errno;
                return 0;  // curl ends the transfer with CURLE_WRITE_ERROR
            }
            done += static_cast<size_t>(n);
        }
        sink->written += static_cast<int64_t>(length);
        return length;
    }
};

struct ProgressReporter {
    const DownloadProgress* progress = nullptr;
    const FileSink* sink = nullptr;
    int64_t lastReported = -1;

    void report(int64_t received, int64_t total)
    {
        if (received <= lastReported)
            return;
        lastReported = received;
        (*progress)(received, total > 0 ? total : -1);
    }

    // curl's own count also holds the bodies of redirect answers (GitHub's
    // release links answer 302 with a page), so the bytes that reached the
    // file are what is told; curl's total is the current answer's.
    static int onProgress(void* context, curl_off_t downloadTotal, curl_off_t, curl_off_t, curl_off_t)
    {
        auto* self = static_cast<ProgressReporter*>(context);
        if (self->sink->written > 0)
            self->report(self->sink->written, downloadTotal);
        return 0;
    }
};

struct ByteCounter {
    int64_t count = 0;
    int64_t limit = 0;
    bool reachedLimit = false;

    static size_t onData(char*, size_t size, size_t count, void* context)
    {
        auto* self = static_cast<ByteCounter*>(context);
        const auto length = static_cast<int64_t>(size * count);
        const int64_t room = self->limit - self->count;
        if (length < room) {
            self->count += length;
            return size * count;
        }
        self->count = self->limit;
        self->reachedLimit = true;
        return 0;  // enough: abort the transfer
    }
};

}  // namespace

LiveHTTPFetcher::LiveHTTPFetcher() { ensureCurlInitialised(); }

Expected<HttpDataResult, HttpError> LiveHTTPFetcher::data(const HttpRequest& request, std::stop_token stop) const
{
    Transfer transfer;
    if (!transfer.isValid())
        return failure<HttpDataResult>(HttpErrorKind::other, QStringLiteral("Could not start a network transfer."));
    transfer.setRequest(request);
    CURL* easy = transfer.handle();
    if (request.timeoutSeconds > 0 && std::isfinite(request.timeoutSeconds))
        curl_easy_setopt(easy, CURLOPT_TIMEOUT_MS, milliseconds(request.timeoutSeconds));
    curl_easy_setopt(easy, CURLOPT_ACCEPT_ENCODING, "");

    // The limit counts the bytes as they arrive (after decompression), so a
    // server that announces no length, or a false one, is held to it too.
    HttpDataResult result;
    BodyBuffer buffer{&result.body, std::max<int64_t>(request.maxBodyBytes, 0), false};
    curl_easy_setopt(easy, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(buffer.limit));
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &BodyBuffer::append);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, &buffer);

    const PerformResult outcome = transfer.run(stop);
    using Result = Expected<HttpDataResult, HttpError>;
    if (outcome.cancelled)
        return Result::failure(transfer.error(CURLE_ABORTED_BY_CALLBACK));
    if (buffer.overflowed || outcome.code == CURLE_FILESIZE_EXCEEDED)
        return Result::failure(transfer.tooLarge(buffer.limit));
    if (outcome.code != CURLE_OK)
        return Result::failure(transfer.error(outcome.code));
    result.response = transfer.response();
    return result;
}

Expected<HttpDownloadResult, HttpError> LiveHTTPFetcher::download(const QUrl& url, const DownloadProgress& progress,
                                                                  std::stop_token stop) const
{
    Transfer transfer;
    if (!transfer.isValid())
        return failure<HttpDownloadResult>(HttpErrorKind::other, QStringLiteral("Could not start a network transfer."));
    transfer.setURL(url);
    CURL* easy = transfer.handle();
    // Packages take minutes on a slow line, so there is no overall limit; a
    // connection that stalls for a minute is given up.
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT, 60L);
    curl_easy_setopt(easy, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(easy, CURLOPT_LOW_SPEED_TIME, 60L);

    // mkstemp creates the file readable by this user only (0600).
    QByteArray path = QFile::encodeName(QDir(QDir::tempPath()).filePath(QStringLiteral("varnel-download-XXXXXX")));
    FileSink sink;
    sink.fd = ::mkstemp(path.data());
    if (sink.fd < 0) {
        const int err = errno;
        return failure<HttpDownloadResult>(
            HttpErrorKind::other,
            QStringLiteral("Could not create a temporary file: %1").arg(QString::fromLocal8Bit(std::strerror(err))));
    }
    const QString filePath = QFile::decodeName(path);
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &FileSink::write);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, &sink);

    ProgressReporter reporter{&progress, &sink};
    if (progress) {
        curl_easy_setopt(easy, CURLOPT_NOPROGRESS, 0L);
        curl_easy_setopt(easy, CURLOPT_XFERINFOFUNCTION, &ProgressReporter::onProgress);
        curl_easy_setopt(easy, CURLOPT_XFERINFODATA, &reporter);
    }

    const PerformResult outcome = transfer.run(stop);
    const bool closed = ::close(sink.fd) == 0;
    auto discard = [&](HttpError error) {
        QFile::remove(filePath);
        return Expected<HttpDownloadResult, HttpError>::failure(std::move(error));
    };
    if (outcome.cancelled)
        return discard(transfer.error(CURLE_ABORTED_BY_CALLBACK));
    if (outcome.code == CURLE_WRITE_ERROR && sink.error != 0)
        return discard(HttpError{HttpErrorKind::other,
                                 QStringLiteral("Could not write the download: %1")
                                     .arg(QString::fromLocal8Bit(std::strerror(sink.error))),
                                 static_cast<int>(outcome.code)});
    if (outcome.code != CURLE_OK)
        return discard(transfer.error(outcome.code));
    if (!closed)
        return discard(HttpError{HttpErrorKind::other, QStringLiteral("Could not write the download."), 0});
    const HttpResponse response = transfer.response();
    if (response.statusCode >= 400)
        return discard(HttpError{HttpErrorKind::httpStatus,
                                 QStringLiteral("The server %1 answered HTTP %2 for %3.")
                                     .arg(serverOf(url))
                                     .arg(response.statusCode)
                                     .arg(shownAddress(url)),
                                 response.statusCode});

    if (progress) {
        curl_off_t total = -1;
        curl_easy_getinfo(easy, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &total);
        reporter.report(sink.written, total);
    }
    return HttpDownloadResult{filePath, response};
}

Expected<ThroughputSample, HttpError> LiveHTTPFetcher::sampleThroughput(const HttpRequest& request, int64_t maxBytes,
                                                                        double maxDuration, std::stop_token stop) const
{
    const Clock::time_point start = Clock::now();
    auto sampleOf = [&](int64_t bytes) { return ThroughputSample{bytes, std::max(secondsSince(start), 0.0001)}; };

    // A duration that cannot be waited for ends the sample before it begins,
    // as does a sample that may not read a single byte.
    constexpr double longestWait = 9.2e9;  // what a signed 64-bit nanosecond count holds
    if (!(maxDuration > 0) || !std::isfinite(maxDuration) || maxDuration > longestWait || maxBytes <= 0)
        return sampleOf(0);

    Transfer transfer;
    if (!transfer.isValid())
        return failure<ThroughputSample>(HttpErrorKind::other, QStringLiteral("Could not start a network transfer."));
    transfer.setRequest(request);
    CURL* easy = transfer.handle();
    curl_easy_setopt(easy, CURLOPT_TIMEOUT_MS, milliseconds(maxDuration));
    const bool limitsConnecting = request.timeoutSeconds > 0 && request.timeoutSeconds < maxDuration;
    if (limitsConnecting)
        curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, milliseconds(request.timeoutSeconds));

    ByteCounter counter{0, maxBytes, false};
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &ByteCounter::onData);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, &counter);

    const PerformResult outcome = transfer.run(stop);
    if (outcome.cancelled)
        return Expected<ThroughputSample, HttpError>::failure(transfer.error(CURLE_ABORTED_BY_CALLBACK));
    if (outcome.code == CURLE_OK || counter.reachedLimit)
        return sampleOf(counter.count);
    // The overall limit is the sample's own timer running out, not a failure;
    // only a connect limit shorter than the sample is.
    if (outcome.code == CURLE_OPERATION_TIMEDOUT && (!limitsConnecting || transfer.connected()))
        return sampleOf(counter.count);
    if (counter.count > 0)
        return sampleOf(counter.count);
    return Expected<ThroughputSample, HttpError>::failure(transfer.error(outcome.code));
}

}  // namespace varnel
