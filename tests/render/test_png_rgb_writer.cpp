// overlay.png's writer: bands deflated on several threads must join into one
// file that any reader decodes to the very pixels written.
#include <gtest/gtest.h>

#include <QImage>
#include <random>
#include <stdexcept>
#include <string>

#include "render/png_rgb_writer.h"
#include "support/temp_folder.h"
#include "support/thrown_message.h"

using namespace kestrano;

namespace {

QImage noise(int width, int height, unsigned seed)
{
    QImage picture(width, height, QImage::Format_RGB888);
    picture.fill(Qt::black);
    std::mt19937 random(seed);
    for (int y = 0; y < height; ++y) {
        uchar* row = picture.scanLine(y);
        for (int x = 0; x < width * 3; ++x)
            row[x] = static_cast<uchar>(random() % 7 == 0 ? random() : row[x > 0 ? x - 1 : 0]);
    }
    picture.setDotsPerMeterX(12345);
    picture.setDotsPerMeterY(6789);
    return picture;
}

}  // namespace

TEST(PngRgbWriter, ReadsBackTheSamePixelsForEveryBandCount)
{
    TempFolder folder;
    // About 1 MiB of rows per band: the large picture is cut into up to
    // three bands, unevenly when the rows do not divide.
    struct Case {
        int width, height, threads;
    } cases[] = {{1, 1, 4}, {5, 3, 1}, {1024, 1100, 1}, {1024, 1100, 2}, {1024, 1100, 3}, {1024, 1100, 7}};
    for (const Case& c : cases) {
        const QImage written = noise(c.width, c.height, static_cast<unsigned>(c.width + c.threads));
        const std::string path = folder.path() + "/picture.png";
        writeRgbPng(path, written, c.threads);
        const QImage read(QString::fromStdString(path));
        ASSERT_FALSE(read.isNull()) << c.width << " x " << c.height << ", " << c.threads << " threads";
        EXPECT_EQ(read.convertToFormat(QImage::Format_RGB888), written) << c.width << " x " << c.height;
        EXPECT_EQ(read.dotsPerMeterX(), 12345);
        EXPECT_EQ(read.dotsPerMeterY(), 6789);
    }
}

TEST(PngRgbWriter, ConvertsOtherFormatsAndNamesAPathItCannotWrite)
{
    TempFolder folder;
    QImage argb(4, 2, QImage::Format_ARGB32);
    argb.fill(qRgb(10, 200, 30));
    writeRgbPng(folder.path() + "/converted.png", argb);
    EXPECT_EQ(QImage(QString::fromStdString(folder.path() + "/converted.png")).pixel(3, 1), qRgb(10, 200, 30));

    const std::string missing = folder.path() + "/no/such/folder/picture.png";
    const std::string refusal = thrownMessage<std::runtime_error>([&] { writeRgbPng(missing, argb); });
    EXPECT_NE(refusal.find(missing + ": cannot write"), std::string::npos) << refusal;
}
