// The host window driven as a user would, offscreen: open a file, apply
// filters from the Filters menu and answer the dialog, then look at the
// overlay, the table, the plots, undo, revert, chain, zoom and export.
#include <QAction>
#include <QDir>
#include <QLabel>
#include <QPluginLoader>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <functional>
#include <stdexcept>
#include <gtest/gtest.h>

#include "../plugin/modal_dialog.h"
#include "cli/image_results.h"
#include "contract/filter_interface.h"
#include "contract/host_image.h"
#include "host/filter_loader.h"
#include "host/host_window.h"
#include "host/image_canvas.h"
#include "support/capture_stdout.h"
#include "support/temp_folder.h"

using namespace kestrano;

namespace {

// A dim background crossed by three bright bars.
GreyImage barsImage()
{
    GreyImage image{64, 80, std::vector<std::uint16_t>(64 * 80, 1000)};
    for (int r = 0; r < 64; ++r)
        for (int c = 0; c < 80; ++c)
            if ((r >= 10 && r < 14 && c >= 6 && c < 74) || (r >= 20 && r < 60 && c >= 30 && c < 34) ||
                (r >= 48 && r < 52 && c >= 40 && c < 76))
                image.pixels[r * 80 + c] = 40000;
    return image;
}

// Scribbles on the buffer, then fails with `fail`, as a broken plug-in might.
struct FailingFilter : FilterInterface {
    FailingFilter(QString name, std::function<void()> fail) : name(std::move(name)), fail(std::move(fail)) {}
    QString name;
    std::function<void()> fail;
    QStringList filterNames() const override { return {name}; }
    void applyFilter(HostImage* image) override
    {
        image->voxels[0] = 7;
        fail();
    }
};

// Each test works in a folder of its own, with bars.pgm in it and the freshly built plug-in.
class HostWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(work.isValid());
        previous = QDir::currentPath();
        QDir::setCurrent(work.path());
        writeGreyImage("bars.pgm", barsImage());
        qputenv("KESTRANO_PLUGIN_DIR", KESTRANO_TEST_PLUGIN_DIR);
        window = std::make_unique<HostWindow>(pluginFolder());
        window->setErrorReporter([this](const QString&, const QString& text) { errors << text; });
        ASSERT_TRUE(window->openImage("bars.pgm"));
    }
    void TearDown() override
    {
        window.reset();
        QDir::setCurrent(previous);
    }

    // Chooses Kestrano Full, presses "Run" in its dialog and waits for the run.
    bool runKestranoFull()
    {
        QAction* action = window->filterAction("Kestrano Full");
        if (action == nullptr || !action->isEnabled())
            return false;
        QSignalSpy finished(window.get(), &HostWindow::runFinished);
        onModalDialog(pressRun);
        CaptureStdout quiet;
        action->trigger();
        EXPECT_TRUE(window->busy());  // the dialog is closed and the run goes on off this thread
        EXPECT_FALSE(action->isEnabled());
        return finished.wait(30000) && finished.front().front().toBool();
    }

    QTemporaryDir work;
    QString previous;
    QStringList errors;
    std::unique_ptr<HostWindow> window;
};

}  // namespace

TEST_F(HostWindowTest, AFailingFilterKeepsTheImageAndReportsWithoutBlocking)
{
    EXPECT_EQ(HostWindow(work.path()).filterAction("Kestrano Full"), nullptr);  // no plug-ins there
    const QImage before = window->shownImage();
    FailingFilter broken("Broken", [] { throw std::runtime_error("broken on purpose"); });
    FailingFilter odd("Odd", [] { throw 42; });  // no std::exception
    for (FailingFilter* filter : {&broken, &odd}) {
        window->addFilter(filter, filter->name);
        window->filterAction(filter->name)->trigger();
    }
    EXPECT_EQ(errors, (QStringList{"broken on purpose", "The filter failed with an unknown error."}));
    EXPECT_EQ(window->image().pixels, barsImage().pixels);
    EXPECT_EQ(window->shownImage(), before);
    EXPECT_FALSE(window->undoAction()->isEnabled());
}

TEST_F(HostWindowTest, RunsOffTheInterfaceThreadWithThePlugInsResultAndDataFiles)
{
    const QImage opened = window->shownImage();
    // What the plug-in writes when the host hands it the image the classic way.
    GreyImage classic = barsImage();
    QPluginLoader loader(QDir(KESTRANO_TEST_PLUGIN_DIR).filePath("libkestrano_full.so"));
    auto* filter = qobject_cast<FilterInterface*>(loader.instance());
    ASSERT_NE(filter, nullptr);
    QDir().mkpath("data");
    applyFilter(*filter, classic.pixels, classic.rows, classic.cols);
    ASSERT_TRUE(QDir().rename("data", "classic"));  // the host makes ./data again

    ASSERT_TRUE(runKestranoFull());
    EXPECT_EQ(window->image().pixels, classic.pixels);
    for (const std::string name : {"dataLen.dat", "dataAng.dat", "histoLen.dat", "histoAng.dat"})
        EXPECT_EQ(readBytes("data/" + name), readBytes("classic/" + name)) << name;
    EXPECT_EQ(window->openedImage().pixels, barsImage().pixels);

    const FilterRunRecord* run = window->lastRun();
    ASSERT_NE(run, nullptr);
    ASSERT_FALSE(run->segments.empty());
    for (const char* name : {"positionX", "positionY", "positionZ"})
        EXPECT_EQ(run->params.at(name), "0") << name;
    const QAbstractItemModel* model = window->segmentTable()->model();
    EXPECT_EQ(model->rowCount(), int(run->segments.size()));
    EXPECT_EQ(model->headerData(0, Qt::Horizontal).toString(), "#");  // our titles across, row numbers down
    EXPECT_EQ(model->headerData(0, Qt::Vertical).toInt(), 1);
    EXPECT_EQ(window->statusBar()->currentMessage(), QString("Kestrano Full: %1 segments; data files in %2")
                                                         .arg(run->segments.size())
                                                         .arg(QDir(work.path()).absoluteFilePath("data")));
    EXPECT_EQ(window->shownImage(), opened);  // the overlay is drawn over the image as opened
}

TEST_F(HostWindowTest, ReapplyingStartsFromTheOpenedImageUnlessChainedAndEveryStepUndoes)
{
    ASSERT_TRUE(runKestranoFull());
    const std::vector<std::uint16_t> first = window->image().pixels;
    EXPECT_NE(first, barsImage().pixels);

    ASSERT_TRUE(runKestranoFull());  // no ghost lines: the same input, the same result
    EXPECT_EQ(window->image().pixels, first);
    EXPECT_FALSE(window->lastRun()->chained);
    EXPECT_EQ(window->lastRun()->input->pixels, barsImage().pixels);

    window->chainAction()->setChecked(true);
    ASSERT_TRUE(runKestranoFull());
    EXPECT_TRUE(window->lastRun()->chained);
    EXPECT_EQ(window->lastRun()->input->pixels, first);
    EXPECT_TRUE(window->statusBar()->currentMessage().endsWith(" (chained on the previous result)"));
    EXPECT_FALSE(window->exportAction()->isEnabled());  // a chained result is no kestrano --out-dir run

    window->undoAction()->trigger();
    EXPECT_EQ(window->image().pixels, first);
    window->revertAction()->trigger();
    EXPECT_EQ(window->image().pixels, barsImage().pixels);
    EXPECT_EQ(window->lastRun(), nullptr);
    window->undoAction()->trigger();  // the revert itself undoes
    EXPECT_EQ(window->image().pixels, first);
}

TEST_F(HostWindowTest, TableRowsAndSegmentsInTheImageSelectEachOther)
{
    ASSERT_TRUE(runKestranoFull());
    window->resize(1200, 800);
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    const std::vector<SegmentRow>& rows = window->lastRun()->segments;
    QTableView* table = window->segmentTable();
    ImageCanvas* canvas = window->canvas();

    table->sortByColumn(6, Qt::DescendingOrder);  // by length: view rows no longer follow segment order
    for (int viewRow = 0; viewRow < table->model()->rowCount(); ++viewRow) {
        table->selectRow(viewRow);
        const int segment = table->model()->index(viewRow, 0).data().toInt();
        EXPECT_EQ(canvas->highlighted(), segment - 1);
    }
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const QPointF middle((rows[i].x1 + rows[i].x2 + 1) / 2.0, (rows[i].y1 + rows[i].y2 + 1) / 2.0);
        QTest::mouseClick(canvas, Qt::LeftButton, {}, canvas->widgetPoint(middle).toPoint());
        const QModelIndexList selected = table->selectionModel()->selectedRows();
        ASSERT_EQ(selected.size(), 1);
        EXPECT_EQ(selected.front().data().toInt(), rows[i].segment);
        EXPECT_EQ(canvas->highlighted(), int(i));
    }
    // The segments are drawn in colour over the grey picture; Ctrl+T switches
    // to the painted result, which is grey only.
    const auto grey = [canvas] {
        const QImage shot = canvas->grab().toImage().convertToFormat(QImage::Format_RGB32);
        return shot == shot.convertToFormat(QImage::Format_Grayscale8).convertToFormat(QImage::Format_RGB32);
    };
    EXPECT_FALSE(grey());
    const QImage overlay = window->shownImage();
    QTest::keyClick(window.get(), Qt::Key_T, Qt::ControlModifier);
    EXPECT_NE(window->shownImage(), overlay);
    EXPECT_TRUE(grey());
}

TEST_F(HostWindowTest, ZoomsAboutTheCursorPansAndReadsPixelValues)
{
    window->resize(1000, 700);
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    ImageCanvas* canvas = window->canvas();
    EXPECT_TRUE(canvas->fitting());
    const double fit = canvas->zoom();
    EXPECT_GT(fit, 1.0);  // 80 x 64 pixels fill the view

    const QPointF anchor(canvas->width() / 3.0, canvas->height() / 2.0);
    const QPointF under = canvas->imagePoint(anchor);
    canvas->setZoom(fit * 3.0, anchor);
    EXPECT_NEAR(canvas->imagePoint(anchor).x(), under.x(), 1e-9);
    EXPECT_NEAR(canvas->imagePoint(anchor).y(), under.y(), 1e-9);

    const QPointF before = canvas->imagePoint(QPointF(100, 100));
    QTest::mousePress(canvas, Qt::LeftButton, {}, QPoint(300, 300));
    QTest::mouseMove(canvas, QPoint(250, 260));
    QTest::mouseRelease(canvas, Qt::LeftButton, {}, QPoint(250, 260));
    EXPECT_NEAR(canvas->imagePoint(QPointF(100, 100)).x(), before.x() + 50 / canvas->zoom(), 1e-9);

    canvas->zoomToActualSize();
    EXPECT_DOUBLE_EQ(canvas->zoom() * canvas->devicePixelRatioF(), 1.0);

    canvas->zoomToFit();
    auto* readout = window->findChild<QLabel*>("pixelReadout");
    ASSERT_NE(readout, nullptr);
    // The first pixel; inside the vertical bar; the last pixel; just past it, where nothing reads.
    for (const auto& [point, text] : {std::pair{QPointF(0.5, 0.5), "x 0  y 0  value 1000"},
                                      {QPointF(31.5, 40.5), "x 31  y 40  value 40000"},
                                      {QPointF(79.5, 63.5), "x 79  y 63  value 1000"}, {QPointF(80.5, 63.5), ""}}) {
        QTest::mouseMove(canvas, canvas->widgetPoint(point).toPoint());
        EXPECT_EQ(readout->text(), text);
    }
}

TEST_F(HostWindowTest, ExportWritesTheResultsFolderOfTheCommandLineTool)
{
    ASSERT_TRUE(runKestranoFull());
    ASSERT_TRUE(window->exportAction()->isEnabled());
    QSignalSpy finished(window.get(), &HostWindow::exportFinished);
    window->exportResults("results", false);
    ASSERT_TRUE(finished.wait(30000));
    ASSERT_TRUE(finished.front().front().toBool()) << errors.join("\n").toStdString();
    for (const char* name : {"summary.csv", "bars/run.json", "bars/log.txt"})
        EXPECT_TRUE(QFile::exists(QString("results/") + name)) << name;
    std::vector<std::string> warnings;
    EXPECT_EQ(readGreyImage("results/bars/lines.pgm", warnings).pixels, window->image().pixels);
    EXPECT_EQ(readBytes("results/bars/segments.csv"), segmentsCsv(window->lastRun()->segments, PixelScale{}));
    EXPECT_EQ(readBytes("results/bars/data/dataLen.dat"), readBytes("data/dataLen.dat"));

    // Earlier results are kept unless the user agreed to replace them.
    window->exportResults("results", false);
    ASSERT_TRUE(finished.wait(30000));
    EXPECT_FALSE(finished.back().front().toBool());
    EXPECT_FALSE(errors.isEmpty());
}
