#pragma once

// How blocking work leaves the UI thread and how its results come back.
//
//   auto task = runInBackground([services](std::stop_token stop) {
//       return SystemProfiler(services).profile(stop);      // blocking
//   });
//   onFinished(task.future, this, [this](SystemProfile p) { ... }); // back on the UI thread
//   task.requestStop();                                              // e.g. from a Cancel button
//
// onFinished rather than QFuture::then(context, …): Qt 6.4's continuation
// asserts that its context is still alive when the work ends, and a screen
// may well be closed by then. A watcher owned by the receiver simply goes
// away with it.
//
// Events produced while the work runs reach the UI thread with
// postTo(guard, fn), dropped once the guarded receiver is gone.
// Independent blocking calls run at the same time with concurrently(...),
// each on its own thread, so a batch costs as long as its slowest member.

#include <QFuture>
#include <QFutureWatcher>
#include <QCoreApplication>
#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>

#include <future>
#include <stop_token>
#include <tuple>
#include <type_traits>
#include <vector>

namespace varnel {

// The pool for blocking work. Its tasks mostly wait on processes and
// sockets, so it is much larger than the core count.
QThreadPool& backgroundPool();

template <typename R>
struct BackgroundTask {
    QFuture<R> future;
    std::stop_source stopSource;
    void requestStop() { stopSource.request_stop(); }
};

template <typename Work>
auto runInBackground(Work work) -> BackgroundTask<std::invoke_result_t<Work, std::stop_token>>
{
    using R = std::invoke_result_t<Work, std::stop_token>;
    std::stop_source source;
    auto token = source.get_token();
    QFuture<R> future = QtConcurrent::run(&backgroundPool(), [work = std::move(work), token]() mutable {
        return work(token);
    });
    return BackgroundTask<R>{std::move(future), std::move(source)};
}

// Calls `fn` with the result on `receiver`'s thread when `future` finishes;
// never, if `receiver` is destroyed first.
template <typename R, typename Fn>
void onFinished(const QFuture<R>& future, QObject* receiver, Fn fn)
{
    auto* watcher = new QFutureWatcher<R>(receiver);
    QObject::connect(watcher, &QFutureWatcherBase::finished, receiver, [watcher, fn = std::move(fn)]() mutable {
        watcher->deleteLater();
        if constexpr (std::is_void_v<R>)
            fn();
        else
            fn(watcher->result());
    });
    watcher->setFuture(future);
}

// Queues `fn` to run on the UI thread while `receiver` (a widget or model of
// that thread) still exists; dropped once it is gone. Make the QPointer on
// the UI thread before the work starts and hand the copy to the worker: a
// raw pointer read on the worker would race with the receiver's deletion.
template <typename Fn>
void postTo(const QPointer<QObject>& receiver, Fn fn)
{
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [receiver, fn = std::move(fn)]() mutable {
            if (receiver)
                fn();
        },
        Qt::QueuedConnection);
}

// Runs every callable at once, each on its own thread, and returns their
// results in argument order once the slowest has finished.
template <typename... Fns>
auto concurrently(Fns&&... fns)
{
    auto futures = std::make_tuple(std::async(std::launch::async, std::forward<Fns>(fns))...);
    return std::apply([](auto&... f) { return std::make_tuple(f.get()...); }, futures);
}

// Maps `fn` over `items` concurrently, one thread per item, keeping order.
template <typename T, typename Fn>
auto concurrentMap(const std::vector<T>& items, Fn fn)
{
    using R = std::invoke_result_t<Fn, const T&>;
    std::vector<std::future<R>> futures;
    futures.reserve(items.size());
    for (const T& item : items)
        futures.push_back(std::async(std::launch::async, [&fn, &item] { return fn(item); }));
    std::vector<R> results;
    results.reserve(items.size());
    for (auto& f : futures)
        results.push_back(f.get());
    return results;
}

}  // namespace varnel
