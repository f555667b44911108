#include "render/offscreen_gui.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QSemaphore>
#include <QThreadPool>

#include <memory>
#include <stdexcept>

namespace kestrano {

namespace {

char programName[] = "kestrano";
char platformOption[] = "-platform";
char offscreen[] = "offscreen";

// Qt's own notes (font fallbacks and the like) are not the user's business on
// a tool's standard error; critical messages still go through.
void quietQtMessages(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type == QtCriticalMsg || type == QtFatalMsg)
        fprintf(stderr, "kestrano: Qt: %s\n", qPrintable(message));
}

// Qt converts and scales large images on its global thread pool and waits for
// the pieces. A pool thread that cannot be created (address space or process
// limits) leaves its piece undone and that wait hangs forever, so every pool
// thread is started here, before anything is drawn, and kept for the life of
// the process; drawing then never needs a new thread.
bool startDrawingThreads()
{
    QThreadPool* const pool = QThreadPool::globalInstance();
    pool->setStackSize(1024 * 1024);
    pool->setExpiryTimeout(-1);
    const int count = pool->maxThreadCount();
    // Shared with the tasks: a task whose thread never started still holds them.
    const auto started = std::make_shared<QSemaphore>();
    const auto finish = std::make_shared<QSemaphore>();
    for (int i = 0; i < count; ++i)
        pool->start([started, finish] {
            started->release();
            finish->acquire();
        });
    // Each task holds its thread until all have started, so `count` releases
    // mean `count` live threads.
    const bool allStarted = started->tryAcquire(count, 10000);
    finish->release(count);
    return allStarted;
}

}  // namespace

OffscreenGui::OffscreenGui() : argv_{programName, platformOption, offscreen, nullptr}
{
    if (QCoreApplication::instance() != nullptr)
        return;
    qInstallMessageHandler(quietQtMessages);
    app_ = std::make_unique<QGuiApplication>(argc_, argv_);
    if (!startDrawingThreads())
        throw std::runtime_error("not enough memory to start the threads that draw the pictures"
                                 " (raise the process's memory or thread limits)");
}

OffscreenGui::~OffscreenGui() = default;

}  // namespace kestrano
