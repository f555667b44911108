#pragma once
// Work on a thread of its own, with its result handed back on the thread of a
// context object (the window), so that the interface never waits for it.
#include <QObject>
#include <QThread>
#include <functional>
#include <memory>

// `work` must not throw; `done` runs in `context`'s thread after `work`
// returns, unless `context` is gone by then. The thread is the context's
// child: the caller waits for it before the context goes away. It deletes
// itself after `done`.
template <typename Result>
QThread* runInBackground(QObject* context, std::function<Result()> work, std::function<void(Result)> done)
{
    auto outcome = std::make_shared<Result>();
    QThread* thread = QThread::create([outcome, work = std::move(work)] { *outcome = work(); });
    thread->setParent(context);  // deleted with the context at the latest
    QObject::connect(thread, &QThread::finished, context, [thread, outcome, done = std::move(done)] {
        thread->deleteLater();
        done(std::move(*outcome));
    });
    thread->start();
    return thread;
}
