// Not a test: shows the real host window on the current display (Xvfb for
// the record), runs Kestrano Full on an image, selects a segment, points at a
// pixel and saves a screenshot of the whole screen.
//   host_screenshot IMAGE OUT.png [dark]
#include <QApplication>
#include <QElapsedTimer>
#include <QPalette>
#include <QScreen>
#include <QSignalSpy>
#include <QStyleFactory>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <ctime>

#include "../plugin/modal_dialog.h"
#include "host/filter_loader.h"
#include "host/host_window.h"
#include "host/image_canvas.h"

namespace {

QPalette darkPalette()
{
    QPalette palette;
    palette.setColor(QPalette::Window, QColor(45, 45, 48));
    palette.setColor(QPalette::WindowText, QColor(220, 220, 220));
    palette.setColor(QPalette::Base, QColor(30, 30, 32));
    palette.setColor(QPalette::AlternateBase, QColor(40, 40, 44));
    palette.setColor(QPalette::Text, QColor(220, 220, 220));
    palette.setColor(QPalette::Button, QColor(50, 50, 54));
    palette.setColor(QPalette::ButtonText, QColor(220, 220, 220));
    palette.setColor(QPalette::Highlight, QColor(64, 128, 200));
    palette.setColor(QPalette::HighlightedText, Qt::white);
    palette.setColor(QPalette::Mid, QColor(80, 80, 84));
    palette.setColor(QPalette::Dark, QColor(20, 20, 22));
    return palette;
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: host_screenshot IMAGE OUT.png [dark]\n");
        return 2;
    }
    QApplication::setStyle(QStyleFactory::create("Fusion"));
    if (argc > 3 && QString(argv[3]) == "dark")
        QApplication::setPalette(darkPalette());
    HostWindow window(pluginFolder());
    window.resize(1500, 950);
    window.move(0, 0);
    window.show();
    if (!window.openImage(argv[1]))
        return 1;
    QSignalSpy finished(&window, &HostWindow::runFinished);
    onModalDialog(pressRun);
    QElapsedTimer run;
    run.start();
    window.filterAction("Kestrano Full")->trigger();
    if (!finished.wait(600000))
        return 1;
    std::fprintf(stderr, "run and display: %.1f s\n", run.nsecsElapsed() / 1e9);
    window.segmentTable()->sortByColumn(6, Qt::DescendingOrder);
    window.segmentTable()->selectRow(2);
    const QPoint at = window.canvas()->widgetPoint(QPointF(200.5, 300.5)).toPoint();
    QTest::mouseMove(window.canvas(), at);
    QTest::qWait(500);
    // How long a repaint of the whole view takes, fitted and at 1:1.
    for (const bool segments : {false, true})
        for (const bool fit : {true, false}) {
            window.canvas()->setSegmentsVisible(segments);
            fit ? window.canvas()->zoomToFit() : window.canvas()->zoomToActualSize();
            // Processor time: the machine may be busy with other work.
            const std::clock_t start = std::clock();
            for (int i = 0; i < 20; ++i)
                window.canvas()->repaint();
            std::fprintf(stderr, "repaint %s, %s segments: %.1f ms of processor time\n", fit ? "fitted" : "1:1",
                         segments ? "with" : "without", (std::clock() - start) * 1000.0 / CLOCKS_PER_SEC / 20);
        }
    window.canvas()->zoomToFit();
    QTest::qWait(200);
    const QPixmap shot = window.screen()->grabWindow(0);
    return shot.save(argv[2]) ? 0 : 1;
}
