#include "support/LocalHttpServer.h"

#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>

namespace varnel::testing {

namespace {

#ifdef MSG_NOSIGNAL
constexpr int sendFlags = MSG_NOSIGNAL;
#else
constexpr int sendFlags = 0;  // SO_NOSIGPIPE is set on the socket instead
#endif

QByteArray reasonPhrase(int status)
{
    switch (status) {
    case 100: return "Continue";
    case 200: return "OK";
    case 201: return "Created";
    case 204: return "No Content";
    case 206: return "Partial Content";
    case 301: return "Moved Permanently";
    case 302: return "Found";
    case 400: return "Bad Request";
    case 401: return "Unauthorized";
    case 404: return "Not Found";
    case 422: return "Unprocessable Entity";
    case 500: return "Internal Server Error";
    case 503: return "Service Unavailable";
    default: return "Status";
    }
}

QByteArray headerValue(const HttpHeaders& headers, const QByteArray& name)
{
    for (const auto& [key, value] : headers)
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    return {};
}

bool hasHeader(const HttpHeaders& headers, const QByteArray& name)
{
    return std::any_of(headers.begin(), headers.end(),
                       [&](const auto& h) { return h.first.compare(name, Qt::CaseInsensitive) == 0; });
}

bool sendAll(int fd, const char* data, size_t length)
{
    while (length > 0) {
        const ssize_t n = ::send(fd, data, length, sendFlags);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += n;
        length -= static_cast<size_t>(n);
    }
    return true;
}

bool sendAll(int fd, const QByteArray& bytes) { return sendAll(fd, bytes.constData(), static_cast<size_t>(bytes.size())); }

}  // namespace

struct LocalHttpServer::Connection {
    int fd = -1;
    std::thread thread;
    std::atomic<bool> finished{false};
    QByteArray buffer;
};

QByteArray LocalHttpServer::Request::header(const QByteArray& name) const { return headerValue(headers, name); }

LocalHttpServer::Response LocalHttpServer::Response::text(int status, QByteArray body, QByteArray contentType)
{
    Response r;
    r.status = status;
    r.body = std::move(body);
    if (!contentType.isEmpty())
        r.headers.emplace_back("Content-Type", std::move(contentType));
    return r;
}

LocalHttpServer::Response LocalHttpServer::Response::generated(int64_t bytes, int64_t chunkBytes,
                                                               std::chrono::milliseconds chunkDelay)
{
    Response r;
    r.generatedBodyBytes = bytes;
    r.chunkBytes = chunkBytes;
    r.chunkDelay = chunkDelay;
    r.headers.emplace_back("Content-Type", "application/octet-stream");
    return r;
}

LocalHttpServer::Response LocalHttpServer::Response::silence()
{
    Response r;
    r.silent = true;
    return r;
}

LocalHttpServer::LocalHttpServer()
{
    if (::pipe(wakePipe_) != 0)
        return;
    listenFd_ = ::socket(AF_INET, SOCK_STREAM, 0);
    if (listenFd_ < 0)
        return;
    const int yes = 1;
    ::setsockopt(listenFd_, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof address;
    if (::bind(listenFd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(listenFd_, 64) != 0 ||
        ::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        ::close(listenFd_);
        listenFd_ = -1;
        return;
    }
    port_ = ntohs(address.sin_port);
    acceptThread_ = std::thread([this] { acceptLoop(); });
}

LocalHttpServer::~LocalHttpServer()
{
    std::vector<std::shared_ptr<Connection>> connections;
    {
        std::lock_guard guard(lock_);
        stopping_ = true;
        // Wakes sends that block on a client that stopped reading.
        for (const auto& connection : connections_)
            if (connection->fd >= 0)
                ::shutdown(connection->fd, SHUT_RDWR);
    }
    changed_.notify_all();
    if (wakePipe_[1] >= 0) {
        const char byte = 'x';
        [[maybe_unused]] ssize_t n = ::write(wakePipe_[1], &byte, 1);
    }
    if (acceptThread_.joinable())
        acceptThread_.join();
    {
        std::lock_guard guard(lock_);
        connections = std::move(connections_);
    }
    for (const auto& connection : connections)
        if (connection->thread.joinable())
            connection->thread.join();
    if (listenFd_ >= 0)
        ::close(listenFd_);
    for (int fd : wakePipe_)
        if (fd >= 0)
            ::close(fd);
}

QUrl LocalHttpServer::url(const QString& pathAndQuery) const
{
    QString path = pathAndQuery.startsWith(u'/') ? pathAndQuery : u'/' + pathAndQuery;
    return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(port_).arg(path));
}

void LocalHttpServer::route(const QByteArray& path, Response response)
{
    route(path, Handler([response = std::move(response)](const Request&) { return response; }));
}

void LocalHttpServer::route(const QByteArray& path, Handler handler)
{
    std::lock_guard guard(lock_);
    routes_[path] = std::move(handler);
}

std::vector<LocalHttpServer::Request> LocalHttpServer::requests() const
{
    std::lock_guard guard(lock_);
    return requests_;
}

size_t LocalHttpServer::requestCount() const
{
    std::lock_guard guard(lock_);
    return requests_.size();
}

void LocalHttpServer::clearRequests()
{
    std::lock_guard guard(lock_);
    requests_.clear();
}

bool LocalHttpServer::waitForRequests(size_t count, std::chrono::milliseconds timeout) const
{
    std::unique_lock guard(lock_);
    return changed_.wait_for(guard, timeout, [&] { return requests_.size() >= count; });
}

int LocalHttpServer::maxConcurrentRequests() const
{
    std::lock_guard guard(lock_);
    return maxInFlight_;
}

int LocalHttpServer::connectionCount() const
{
    std::lock_guard guard(lock_);
    return connectionCount_;
}

void LocalHttpServer::acceptLoop()
{
    for (;;) {
        pollfd fds[2] = {{listenFd_, POLLIN, 0}, {wakePipe_[0], POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        if (fds[1].revents)
            return;
        const int fd = ::accept(listenFd_, nullptr, nullptr);
        if (fd < 0)
            continue;
        const int yes = 1;
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
#ifdef SO_NOSIGPIPE
        ::setsockopt(fd, SOL_SOCKET, SO_NOSIGPIPE, &yes, sizeof yes);
#endif
        reapFinishedConnections();
        auto connection = std::make_shared<Connection>();
        connection->fd = fd;
        std::lock_guard guard(lock_);
        if (stopping_) {
            ::close(fd);
            return;
        }
        ++connectionCount_;
        connections_.push_back(connection);
        connection->thread = std::thread([this, connection] { serve(connection); });
    }
}

void LocalHttpServer::reapFinishedConnections()
{
    std::vector<std::shared_ptr<Connection>> finished;
    {
        std::lock_guard guard(lock_);
        auto split = std::stable_partition(connections_.begin(), connections_.end(),
                                           [](const auto& c) { return !c->finished.load(); });
        finished.assign(split, connections_.end());
        connections_.erase(split, connections_.end());
    }
    for (const auto& connection : finished)
        connection->thread.join();
}

namespace {

// Blocks until the socket has more bytes (appended to `buffer`); false when
// the peer closed the connection or the server is stopping.
bool readMore(int fd, int wakeFd, QByteArray& buffer)
{
    pollfd fds[2] = {{fd, POLLIN, 0}, {wakeFd, POLLIN, 0}};
    while (::poll(fds, 2, -1) < 0)
        if (errno != EINTR)
            return false;
    if (fds[1].revents)
        return false;
    char chunk[16384];
    const ssize_t n = ::recv(fd, chunk, sizeof chunk, 0);
    if (n <= 0)
        return false;
    buffer.append(chunk, n);
    return true;
}

}  // namespace

std::optional<LocalHttpServer::Request> LocalHttpServer::readRequest(Connection& connection)
{
    QByteArray& buffer = connection.buffer;
    qsizetype headEnd;
    while ((headEnd = buffer.indexOf("\r\n\r\n")) < 0)
        if (!readMore(connection.fd, wakePipe_[0], buffer))
            return std::nullopt;

    Request request;
    const QList<QByteArray> lines = buffer.left(headEnd).split('\n');
    buffer.remove(0, headEnd + 4);
    const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
    request.method = requestLine.value(0);
    request.target = requestLine.value(1);
    const qsizetype query = request.target.indexOf('?');
    request.path = query < 0 ? request.target : request.target.left(query);
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray line = lines[i].trimmed();
        const qsizetype colon = line.indexOf(':');
        if (colon > 0)
            request.headers.emplace_back(line.left(colon).trimmed(), line.mid(colon + 1).trimmed());
    }

    const qint64 contentLength = request.header("Content-Length").toLongLong();
    if (contentLength > 0 && buffer.isEmpty() &&
        request.header("Expect").compare("100-continue", Qt::CaseInsensitive) == 0)
        sendAll(connection.fd, QByteArray("HTTP/1.1 100 Continue\r\n\r\n"));
    while (buffer.size() < contentLength)
        if (!readMore(connection.fd, wakePipe_[0], buffer))
            return std::nullopt;
    request.body = buffer.left(contentLength);
    buffer.remove(0, contentLength);
    return request;
}

void LocalHttpServer::serve(const std::shared_ptr<Connection>& connection)
{
    for (bool keepAlive = true; keepAlive;) {
        const std::optional<Request> request = readRequest(*connection);
        if (!request)
            break;
        {
            std::lock_guard guard(lock_);
            requests_.push_back(*request);
            ++inFlight_;
            maxInFlight_ = std::max(maxInFlight_, inFlight_);
        }
        changed_.notify_all();
        keepAlive = answer(*connection, *request);
        std::lock_guard guard(lock_);
        --inFlight_;
    }
    {
        std::lock_guard guard(lock_);
        ::close(connection->fd);
        connection->fd = -1;
    }
    connection->finished = true;
}

LocalHttpServer::Response LocalHttpServer::responseFor(const Request& request) const
{
    Handler handler;
    {
        std::lock_guard guard(lock_);
        auto it = routes_.find(request.path);
        if (it != routes_.end())
            handler = it->second;
    }
    return handler ? handler(request) : Response::text(404, "not found");
}

bool LocalHttpServer::sleepUnlessStopping(std::chrono::milliseconds duration)
{
    std::unique_lock guard(lock_);
    return !changed_.wait_for(guard, duration, [&] { return stopping_; });
}

bool LocalHttpServer::answer(Connection& connection, const Request& request)
{
    const Response response = responseFor(request);
    if (response.silent) {
        std::unique_lock guard(lock_);
        changed_.wait(guard, [&] { return stopping_; });
        return false;
    }
    if (response.dropConnection)
        return false;
    if (response.delay.count() > 0 && !sleepUnlessStopping(response.delay))
        return false;

    const bool hasBody = response.status != 204 && response.status != 304 && response.status >= 200;
    const int64_t bodyLength = !hasBody                          ? 0
                               : response.generatedBodyBytes >= 0 ? response.generatedBodyBytes
                                                                  : response.body.size();
    const bool close = request.header("Connection").compare("close", Qt::CaseInsensitive) == 0 ||
                       headerValue(response.headers, "Connection").compare("close", Qt::CaseInsensitive) == 0;

    QByteArray head = "HTTP/1.1 " + QByteArray::number(response.status) + ' ' + reasonPhrase(response.status) + "\r\n";
    for (const auto& [name, value] : response.headers)
        head += name + ": " + value + "\r\n";
    if (hasBody && !hasHeader(response.headers, "Content-Length"))
        head += "Content-Length: " + QByteArray::number(bodyLength) + "\r\n";
    if (close && !hasHeader(response.headers, "Connection"))
        head += "Connection: close\r\n";
    head += "\r\n";
    if (!sendAll(connection.fd, head))
        return false;
    if (request.method == "HEAD" || bodyLength == 0)
        return !close;

    const int64_t piece = response.chunkBytes > 0 ? response.chunkBytes : 65536;
    const QByteArray filler(static_cast<qsizetype>(std::min<int64_t>(piece, 65536)), 'x');
    for (int64_t sent = 0; sent < bodyLength;) {
        int64_t chunkEnd = std::min(bodyLength, sent + piece);
        while (sent < chunkEnd) {
            const int64_t n = std::min<int64_t>(chunkEnd - sent, 65536);
            const bool ok = response.generatedBodyBytes >= 0
                                ? sendAll(connection.fd, filler.constData(), static_cast<size_t>(n))
                                : sendAll(connection.fd, response.body.constData() + sent, static_cast<size_t>(n));
            if (!ok)
                return false;
            sent += n;
        }
        if (sent < bodyLength && response.chunkDelay.count() > 0 && !sleepUnlessStopping(response.chunkDelay))
            return false;
    }
    return !close;
}

}  // namespace varnel::testing
