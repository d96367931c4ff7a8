#pragma once

#include <utility>

#include <QCoreApplication>
#include <QMetaObject>
#include <QPointer>
#include <QThreadPool>

namespace gw::controller {

// Runs blocking work (a child process, an administrator prompt) on a pool
// thread and hands its result to `done` on the main thread, unless `context`
// is gone by then. Only `done` touches the controller.
template <class Work, class Done>
void runInBackground(QObject* context, Work work, Done done) {
    QPointer<QObject> guard(context);
    QThreadPool::globalInstance()->start(
        [guard, work = std::move(work), done = std::move(done)]() mutable {
            auto result = work();
            QMetaObject::invokeMethod(
                QCoreApplication::instance(),
                [guard, done = std::move(done), result = std::move(result)]() mutable {
                    if (guard) {
                        done(std::move(result));
                    }
                },
                Qt::QueuedConnection);
        });
}

}  // namespace gw::controller
