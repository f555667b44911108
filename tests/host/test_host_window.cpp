// The host window driven as a user would: open a file, apply a filter from the
// Filters menu, answer the dialogs, save.
#include <QAction>
#include <QDir>
#include <QMessageBox>
#include <QTemporaryDir>
#include <stdexcept>
#include <gtest/gtest.h>

#include "../plugin/modal_dialog.h"
#include "host/filter_loader.h"
#include "host/host_window.h"
#include "host/image_view.h"
#include "plugin/filter_interface.h"
#include "plugin/host_image.h"
#include "support/capture_stdout.h"

namespace {

// A dim background crossed by three bright bars.
GreyImage barsImage()
{
    GreyImage image{64, 80, std::vector<std::uint16_t>(64 * 80, 1000)};
    auto bar = [&image](int r0, int r1, int c0, int c1) {
        for (int r = r0; r < r1; ++r)
            for (int c = c0; c < c1; ++c)
                image.pixels[r * 80 + c] = 40000;
    };
    bar(10, 14, 6, 74);
    bar(20, 60, 30, 34);
    bar(48, 52, 40, 76);
    return image;
}

// Each test runs in a fresh working directory holding bars.pgm.
class HostWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(workDir.isValid());
        QDir::setCurrent(workDir.path());
        qputenv("KESTRANO_PLUGIN_DIR", KESTRANO_TEST_PLUGIN_DIR);
        writeGreyImage("bars.pgm", barsImage());
    }
    void TearDown() override { QDir::setCurrent(previousDir); }

    QString previousDir = QDir::currentPath();
    QTemporaryDir workDir;
};

// Scribbles on the buffer, then fails, as a broken plug-in might.
class BrokenFilter : public FilterInterface {
public:
    QStringList filterNames() const override { return {"Broken"}; }
    void applyFilter(HostImage* image) override
    {
        image->voxels[0] = 7;
        throw std::runtime_error("broken on purpose");
    }
};

}  // namespace

TEST_F(HostWindowTest, KestranoFullReplacesTheImageAndWritesItsDataFiles)
{
    HostWindow window(pluginFolder());
    ASSERT_TRUE(window.openImage("bars.pgm"));
    const QImage before = window.shownImage();
    EXPECT_EQ(before, displayImage(barsImage()));
    QAction* action = window.filterAction("Kestrano Full");
    ASSERT_NE(action, nullptr);

    onModalDialog(pressRun);
    {
        CaptureStdout quiet;
        action->trigger();
    }
    EXPECT_NE(window.image().pixels, barsImage().pixels);
    EXPECT_NE(window.shownImage(), before);
    for (const char* name : {"dataLen.dat", "dataAng.dat", "histoLen.dat", "histoAng.dat"})
        EXPECT_TRUE(QDir("data").exists(name)) << name;

    ASSERT_TRUE(window.saveImage("result.tif"));
    std::vector<std::string> warnings;
    EXPECT_EQ(readGreyImage("result.tif", warnings).pixels, window.image().pixels);
}

TEST_F(HostWindowTest, AFailingFilterKeepsTheImage)
{
    HostWindow window(QDir::currentPath());  // a folder without plug-ins
    EXPECT_EQ(window.filterAction("Kestrano Full"), nullptr);
    BrokenFilter broken;
    window.addFilter(&broken, "Broken");
    ASSERT_TRUE(window.openImage("bars.pgm"));
    const QImage before = window.shownImage();

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
}

TEST(DisplayImage, SpreadsTheImageRangeOverEightBits)
{
    const QImage shown = displayImage(GreyImage{1, 4, {1000, 2000, 3000, 1000}});
    const uchar* line = shown.constScanLine(0);
    EXPECT_EQ((std::vector<int>(line, line + 4)), (std::vector<int>{0, 127, 255, 0}));
}
