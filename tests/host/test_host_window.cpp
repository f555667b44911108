// The host window driven as a user would: open a file, apply filters from the
// Filters menu, answer the dialogs, save.
#include <QAction>
#include <QDir>
#include <QMessageBox>
#include <QTemporaryDir>
#include <stdexcept>
#include <gtest/gtest.h>

#include "../plugin/modal_dialog.h"
#include "contract/filter_interface.h"
#include "contract/host_image.h"
#include "host/filter_loader.h"
#include "host/host_window.h"
#include "host/image_view.h"
#include "support/capture_stdout.h"

using namespace kestrano;

namespace {

// A dim background crossed by three bright bars.
GreyImage barsImage()
{
    GreyImage image{64, 80, std::vector<std::uint16_t>(64 * 80, 1000)};
    for (int r = 0; r < 64; ++r)
        for (int c = 0; c < 80; ++c)
            if ((r >= 10 && r < 14 && c >= 6 && c < 74) ||
                (r >= 20 && r < 60 && c >= 30 && c < 34) ||
                (r >= 48 && r < 52 && c >= 40 && c < 76))
                image.pixels[r * 80 + c] = 40000;
    return image;
}

// Scribbles on the buffer, then fails, as a broken plug-in might.
struct BrokenFilter : FilterInterface {
    QStringList filterNames() const override { return {"Broken"}; }
    void applyFilter(HostImage* image) override
    {
        image->voxels[0] = 7;
        throw std::runtime_error("broken on purpose");
    }
};

}  // namespace

TEST(HostWindow, AFailingFilterKeepsTheImageWhileKestranoFullReplacesIt)
{
    QTemporaryDir work;
    ASSERT_TRUE(work.isValid());
    const QString previous = QDir::currentPath();
    QDir::setCurrent(work.path());
    writeGreyImage("bars.pgm", barsImage());
    EXPECT_EQ(HostWindow(work.path()).filterAction("Kestrano Full"), nullptr);  // no plug-ins there

    qputenv("KESTRANO_PLUGIN_DIR", KESTRANO_TEST_PLUGIN_DIR);
    HostWindow window(pluginFolder());
    BrokenFilter broken;
    window.addFilter(&broken, "Broken");
    ASSERT_TRUE(window.openImage("bars.pgm"));
    const QImage before = window.shownImage();
    EXPECT_EQ(before, displayImage(barsImage()));

    QString message;
    onModalDialog([&message](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        message = box->text();
        box->accept();
    });
    window.filterAction("Broken")->trigger();
    EXPECT_EQ(message, "broken on purpose");
    EXPECT_EQ(window.image().pixels, barsImage().pixels);
    EXPECT_EQ(window.shownImage(), before);

    QAction* kestranoFull = window.filterAction("Kestrano Full");
    ASSERT_NE(kestranoFull, nullptr);
    onModalDialog(pressRun);
    {
        CaptureStdout quiet;
        kestranoFull->trigger();
    }
    EXPECT_NE(window.image().pixels, barsImage().pixels);
    EXPECT_NE(window.shownImage(), before);
    for (const char* name : {"dataLen.dat", "dataAng.dat", "histoLen.dat", "histoAng.dat"})
        EXPECT_TRUE(QDir("data").exists(name)) << name;

    ASSERT_TRUE(window.saveImage("result.tif"));
    std::vector<std::string> warnings;
    EXPECT_EQ(readGreyImage("result.tif", warnings).pixels, window.image().pixels);
    QDir::setCurrent(previous);
}

TEST(DisplayImage, SpreadsTheImageRangeOverEightBits)
{
    const QImage shown = displayImage(GreyImage{1, 4, {1000, 2000, 3000, 1000}});
    const uchar* line = shown.constScanLine(0);
    EXPECT_EQ((std::vector<int>(line, line + 4)), (std::vector<int>{0, 127, 255, 0}));
}
