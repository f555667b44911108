// GoogleTest entry for tests that need widgets: one QApplication for the whole
// run, on the offscreen platform so that no display is needed.
//
// No test may wait on a modal window nobody answers: a watchdog closes any
// modal window left open for two seconds and fails the running test.
#include <QApplication>
#include <QDialog>
#include <QPointer>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

void watchModalWindows(QApplication& app)
{
    auto* timer = new QTimer(&app);
    QObject::connect(timer, &QTimer::timeout, [seen = QPointer<QWidget>(), ticks = 0]() mutable {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr || modal != seen) {
            seen = modal;
            ticks = 0;
            return;
        }
        if (++ticks < 20)
            return;
        ADD_FAILURE() << "a modal window was left open: \"" << modal->windowTitle().toStdString() << "\"";
        if (auto* dialog = qobject_cast<QDialog*>(modal))
            dialog->reject();
        else
            modal->close();
        seen = nullptr;
        ticks = 0;
    });
    timer->start(100);
}

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    watchModalWindows(app);
    return RUN_ALL_TESTS();
}
