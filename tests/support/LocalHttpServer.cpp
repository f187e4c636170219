#include "support/LocalHttpServer.h"


#include <httplib.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>

namespace varnel::testing {

namespace {

QByteArray bytes(const std::string& text) { return QByteArray::fromStdString(text); }

std::string text(const QByteArray& bytes) { return bytes.toStdString(); }

// httplib lists the peer's and its own address among the request headers.
bool isConnectionDetail(const std::string& name)
{
    return name == "REMOTE_ADDR" || name == "REMOTE_PORT" || name == "LOCAL_ADDR" || name == "LOCAL_PORT";
}

QByteArray headerValue(const HttpHeaders& headers, const QByteArray& name)
{
    for (const auto& [key, value] : headers)
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    return {};
}

}  // namespace

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

LocalHttpServer::Response LocalHttpServer::Response::redirect(const QUrl& location, int status)
{
    Response r;
    r.status = status;
    r.headers.emplace_back("Location", location.toEncoded());
    return r;
}

LocalHttpServer::LocalHttpServer() : server_(std::make_unique<httplib::Server>())
{
    // Silent routes and idle keep-alive connections each hold a thread.
    server_->new_task_queue = [] { return new httplib::ThreadPool(32); };
    server_->set_keep_alive_max_count(1'000'000);
    const httplib::Server::Handler handler = [this](const httplib::Request& in, httplib::Response& out) {
        answer(in, out);
    };
    server_->Get(".*", handler)
        .Post(".*", handler)
        .Put(".*", handler)
        .Patch(".*", handler)
        .Delete(".*", handler)
        .Options(".*", handler);

    const int port = server_->bind_to_any_port("127.0.0.1");
    if (port <= 0)
        return;
    port_ = static_cast<quint16>(port);
    std::atomic<bool> ended{false};
    thread_ = std::thread([this, &ended] {
        server_->listen_after_bind();
        ended = true;
    });
    // stop() does nothing before the accept loop runs, so the destructor
    // could otherwise wait for ever.
    while (!server_->is_running() && !ended)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

LocalHttpServer::~LocalHttpServer()
{
    {
        std::lock_guard guard(lock_);
        stopping_ = true;
    }
    changed_.notify_all();
    server_->stop();
    // httplib lets a connection that idles between keep-alive requests wait
    // out its timeout (5 s) even after stop(), and a client such as the
    // fetcher's per-thread connection cache keeps it open. Shutting down the
    // server's end of every connection to our port ends those waits at once.
    // Probing descriptor numbers rather than listing /dev/fd: other threads
    // close descriptors meanwhile, and a directory listing racing them crashed.
    const int highest = static_cast<int>(std::min<long>(::sysconf(_SC_OPEN_MAX), 4096));
    for (int fd = 0; fd < highest; ++fd) {
        sockaddr_in local{}, peer{};
        socklen_t length = sizeof local;
        if (::getsockname(fd, reinterpret_cast<sockaddr*>(&local), &length) == 0 && local.sin_family == AF_INET &&
            ntohs(local.sin_port) == port_ && ::getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &length) == 0)
            ::shutdown(fd, SHUT_RDWR);
    }
    if (thread_.joinable())
        thread_.join();
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
    return static_cast<int>(clientPorts_.size());
}

bool LocalHttpServer::sleepUnlessStopping(std::chrono::milliseconds duration)
{
    std::unique_lock guard(lock_);
    return !changed_.wait_for(guard, duration, [&] { return stopping_; });
}

void LocalHttpServer::answer(const httplib::Request& in, httplib::Response& out)
{
    Request request{bytes(in.method), bytes(in.target), bytes(in.path), {}, bytes(in.body)};
    for (const auto& [name, value] : in.headers)
        if (!isConnectionDetail(name))
            request.headers.emplace_back(bytes(name), bytes(value));

    Handler handler;
    {
        std::lock_guard guard(lock_);
        requests_.push_back(request);
        clientPorts_.insert(in.remote_port);
        maxInFlight_ = std::max(maxInFlight_, ++inFlight_);
        if (auto it = routes_.find(request.path); it != routes_.end())
            handler = it->second;
    }
    changed_.notify_all();
    send(handler ? handler(request) : Response::text(404, "not found"), out);
    std::lock_guard guard(lock_);
    --inFlight_;
}

void LocalHttpServer::send(const Response& response, httplib::Response& out)
{
    if (response.silent) {
        std::unique_lock guard(lock_);
        changed_.wait(guard, [&] { return stopping_; });
        return;
    }
    if (response.delay.count() > 0 && !sleepUnlessStopping(response.delay))
        return;

    out.status = response.status;
    for (const auto& [name, value] : response.headers)
        if (name.compare("Content-Type", Qt::CaseInsensitive) != 0)
            out.set_header(text(name), text(value));
    const std::string contentType = text(headerValue(response.headers, "Content-Type"));

    if (response.dropConnection) {
        // A provider that gives up makes httplib close the connection.
        out.set_content_provider(1, "text/plain", [](size_t, size_t, httplib::DataSink&) { return false; });
    } else if (response.generatedBodyBytes >= 0) {
        const size_t piece = response.chunkBytes > 0 ? static_cast<size_t>(response.chunkBytes) : 65536;
        const size_t total = static_cast<size_t>(response.generatedBodyBytes);
        const std::string filler(std::min<size_t>(piece, 65536), 'x');
        const auto pause = response.chunkDelay;
        out.set_content_provider(total, contentType, [=, this](size_t offset, size_t length, httplib::DataSink& sink) {
            for (size_t sent = 0, chunk = std::min(piece, length); sent < chunk;) {
                const size_t n = std::min(chunk - sent, filler.size());
                if (!sink.write(filler.data(), n))
                    return false;
                sent += n;
            }
            const bool more = offset + std::min(piece, length) < total;
            return !more || pause.count() == 0 || sleepUnlessStopping(pause);
        });
    } else if (!contentType.empty()) {
        out.set_content(text(response.body), contentType);
    } else {
        out.body = text(response.body);
    }
}

}  // namespace varnel::testing
