// The plug-in as a host sees it: loaded from its file, reached through
// FilterInterface, applied with the dialog answered by a timer.
#include <QCheckBox>
#include <QDir>
#include <QPluginLoader>
#include <QTemporaryDir>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>
#include <gtest/gtest.h>

#include "modal_dialog.h"
#include "plugin/filter_interface.h"
#include "plugin/host_image.h"
#include "support/capture_stdout.h"

namespace {

class FiltroPluginTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        object = loader.instance();
        ASSERT_NE(object, nullptr) << loader.errorString().toStdString();
        filter = qobject_cast<FilterInterface*>(object);
        ASSERT_NE(filter, nullptr);
    }

    // Applies the filter to 0..99 in 4 rows of 25, followed by a guard value,
    // with every check box cleared; returns what the run printed.
    std::string applyToRamp(ParamList hostParameters = {})
    {
        for (int i = 0; i < 100; ++i)
            pixels[i] = static_cast<std::uint16_t>(i);
        pixels[100] = 4242;
        std::int32_t position[3] = {0, 0, 0};
        HostImage image;
        image.rows = 4;
        image.cols = 25;
        image.depth = 1;
        image.position = position;
        image.voxels = pixels.data();
        image.parameters = std::move(hostParameters);
        onModalDialog([](QWidget* modal) {
            for (QCheckBox* box : modal->findChildren<QCheckBox*>())
                box->setChecked(false);
            pressRun(modal);
        });
        CaptureStdout out;
        filter->applyFilter(&image);
        return out.text();
    }

    QPluginLoader loader{QStringLiteral(KESTRANO_PLUGIN_FILE)};
    QObject* object = nullptr;
    FilterInterface* filter = nullptr;
    std::vector<std::uint16_t> pixels = std::vector<std::uint16_t>(101);
};

}  // namespace

TEST_F(FiltroPluginTest, OneInstanceThatAnswersTheHostsCasts)
{
    void* const self = object;
    void* const interfacePart = filter;
    EXPECT_NE(interfacePart, self);  // second base
    EXPECT_EQ(object->qt_metacast("FiltroPlugin"), self);
    EXPECT_EQ(object->qt_metacast("FilterInterface"), interfacePart);
    EXPECT_EQ(object->qt_metacast(KESTRANO_FILTER_INTERFACE_IID), interfacePart);
    EXPECT_EQ(object->qt_metacast("QMainWindow"), self);
    EXPECT_EQ(object->qt_metacast("NoSuchClass"), nullptr);
    EXPECT_EQ(object->qt_metacast(nullptr), nullptr);
    EXPECT_STREQ(object->metaObject()->className(), "FiltroPlugin");
    EXPECT_EQ(object->metaObject()->methodCount(), object->metaObject()->methodOffset());

    EXPECT_EQ(loader.instance(), object);
    EXPECT_EQ(QPluginLoader(QStringLiteral(KESTRANO_PLUGIN_FILE)).instance(), object);
    EXPECT_EQ(filter->filterNames(), QStringList{"Kestrano Full"});
}

TEST_F(FiltroPluginTest, WithAllStagesClearedOnlyTheContrastStretchRuns)
{
    EXPECT_EQ(applyToRamp(), "Tipo Salida: n\nMIN CDF: 5\nMAX CDF: 94\n");
    const std::vector<std::uint16_t> head(pixels.begin(), pixels.begin() + 7);
    EXPECT_EQ(head, (std::vector<std::uint16_t>{0, 0, 0, 0, 0, 0, 2}));
    EXPECT_EQ(pixels[50], 128);
    EXPECT_EQ(pixels[93], 252);
    const std::vector<std::uint16_t> tail(pixels.begin() + 94, pixels.end());
    EXPECT_EQ(tail, (std::vector<std::uint16_t>{255, 255, 255, 255, 255, 255, 4242}));
}

TEST_F(FiltroPluginTest, HostParametersWinOverTheDialog)
{
    EXPECT_EQ(applyToRamp({{"tipoOutput", "c"}, {"th", "127"}}),
              "Tipo Salida: c\nMIN CDF: 5\nMAX CDF: 94\nUmbralizacion\nMAX MIN 255 0\n");
    EXPECT_EQ(pixels[49], 0);    // stretched to 126
    EXPECT_EQ(pixels[50], 255);  // stretched to 128
    EXPECT_EQ(pixels[100], 4242);

    try {
        applyToRamp({{"nAng", "abc"}});
        FAIL() << "no exception";
    } catch (const std::invalid_argument& e) {
        EXPECT_STREQ(e.what(), "invalid stoi argument");
    }
    EXPECT_EQ(pixels[99], 99);  // failed before any stage ran
}

namespace {

constexpr int kRows = 90;
constexpr int kCols = 120;
constexpr std::uint16_t kBackground = 1000;
constexpr std::uint16_t kBar = 1256;  // 256 above: the stretch maps it to 255 exactly

// Three bars at 0, 45 and 90 degrees (angles grow towards increasing rows).
std::vector<std::uint16_t> threeBars()
{
    std::vector<std::uint16_t> img(kRows * kCols, kBackground);
    auto set = [&](int r, int c) { img[r * kCols + c] = kBar; };
    for (int r = 10; r < 14; ++r)
        for (int c = 10; c < 80; ++c)
            set(r, c);
    for (int t = 0; t < 50; ++t)
        for (int d = 0; d < 4; ++d)
            set(25 + t, 15 + t + d);
    for (int r = 20; r < 85; ++r)
        for (int c = 100; c < 104; ++c)
            set(r, c);
    return img;
}

std::vector<double> readValues(const QString& path, std::string* firstLine)
{
    std::ifstream in(path.toStdString());
    std::getline(in, *firstLine);
    std::vector<double> values;
    for (double v; in >> v;)
        values.push_back(v);
    return values;
}

}  // namespace

TEST_F(FiltroPluginTest, WholePipelineFindsThreeBarsAtTheirAngles)
{
    QTemporaryDir work;
    ASSERT_TRUE(work.isValid());
    ASSERT_TRUE(QDir(work.path()).mkdir(QStringLiteral("data")));
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(work.path()));

    const std::vector<std::uint16_t> original = threeBars();
    std::vector<std::uint16_t> buffer = original;
    std::int32_t position[3] = {0, 0, 0};
    HostImage image;
    image.rows = kRows;
    image.cols = kCols;
    image.depth = 1;
    image.position = position;
    image.voxels = buffer.data();
    // Threshold and detection on the bars themselves: no smoothing, no gradient.
    onModalDialog([](QWidget* modal) {
        for (QCheckBox* box : modal->findChildren<QCheckBox*>())
            if (box->text() == QLatin1String("Smoothing Filter") ||
                box->text() == QLatin1String("Gradient Filter"))
                box->setChecked(false);
        pressRun(modal);
    });
    std::string printed;
    {
        CaptureStdout out;
        filter->applyFilter(&image);
        printed = out.text();
    }
    QDir::setCurrent(previous);

    const std::string head =
        "Tipo Salida: n\nMIN CDF: 1000\nMAX CDF: 1256\nUmbralizacion\nMAX MIN 255 0\n"
        "Line Detection\nN lista= 3\n0\r1\r2\rN Antes Optimiza: ";
    ASSERT_EQ(printed.substr(0, head.size()), head);
    EXPECT_NE(printed.find("\nTamanho Mapa: 3\n"), std::string::npos);
    const std::size_t painting = printed.find("Painting SL 3\n");
    ASSERT_NE(painting, std::string::npos);

    // The painted list: one "x, y, angle, length" line per segment.
    std::istringstream listing(printed.substr(painting + 14));
    int listed = 0;
    for (std::string line; std::getline(listing, line);)
        ++listed;

    std::string count;
    const std::vector<double> lengths = readValues(work.filePath("data/dataLen.dat"), &count);
    ASSERT_EQ(std::stoi(count), listed);
    ASSERT_EQ(static_cast<int>(lengths.size()), listed);
    const std::vector<double> angles = readValues(work.filePath("data/dataAng.dat"), &count);
    ASSERT_EQ(std::stoi(count), listed);
    ASSERT_EQ(static_cast<int>(angles.size()), listed);

    // Every bar is found, every segment is long and lies along one of them.
    bool found[3] = {false, false, false};
    for (int i = 0; i < listed; ++i) {
        EXPECT_GT(lengths[i], 40.0);
        int nearest = -1;
        for (int b = 0; b < 3; ++b) {
            // Undirected: 177 degrees lies along the horizontal bar too.
            const double apart = std::fmod(std::fabs(angles[i] - 45.0 * b), 180.0);
            if (std::fmin(apart, 180.0 - apart) <= 3.0)
                nearest = b;
        }
        ASSERT_NE(nearest, -1) << "segment at " << angles[i] << " degrees";
        found[nearest] = true;
    }
    EXPECT_TRUE(found[0] && found[1] && found[2]);

    // Both histograms have 10 bins plus the upper end, and count every segment.
    for (const char* name : {"data/histoLen.dat", "data/histoAng.dat"}) {
        std::ifstream in(work.filePath(name).toStdString());
        int entries = 0, total = 0;
        in >> entries;
        EXPECT_EQ(entries, 11) << name;
        for (int edge, n; in >> edge >> n;)
            total += n;
        EXPECT_EQ(total, listed) << name;
    }

    // The image as handed over, with the segments painted in (brightest - 150),
    // only on the bars or right next to them.
    int painted = 0;
    for (int r = 0; r < kRows; ++r)
        for (int c = 0; c < kCols; ++c) {
            const std::uint16_t v = buffer[r * kCols + c];
            if (v == original[r * kCols + c])
                continue;
            ASSERT_EQ(v, kBar - 150) << r << "," << c;
            bool nearBar = false;
            for (int dr = -1; dr <= 1; ++dr)
                for (int dc = -1; dc <= 1; ++dc) {
                    const int rr = r + dr, cc = c + dc;
                    nearBar = nearBar || (rr >= 0 && rr < kRows && cc >= 0 && cc < kCols &&
                                          original[rr * kCols + cc] == kBar);
                }
            EXPECT_TRUE(nearBar) << r << "," << c;
            ++painted;
        }
    EXPECT_GT(painted, 150);
}
