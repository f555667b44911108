// The plug-in as a host sees it: loaded from its file, reached through
// FilterInterface, applied with the dialog answered by a timer.
#include <QCheckBox>
#include <QDir>
#include <QPluginLoader>
#include <QTemporaryDir>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <numeric>
#include <stdexcept>
#include <string>
#include <vector>
#include <gtest/gtest.h>

#include "contract/filter_interface.h"
#include "contract/host_image.h"
#include "modal_dialog.h"
#include "support/capture_stdout.h"

using namespace kestrano;

namespace {

using Pixels = std::vector<std::uint16_t>;

class FiltroPluginTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        object = loader.instance();
        ASSERT_NE(object, nullptr) << loader.errorString().toStdString();
        filter = qobject_cast<FilterInterface*>(object);
        ASSERT_NE(filter, nullptr);
    }

    // Applies the filter to rows x cols pixels with the named check boxes
    // cleared in the dialog; returns what the run printed.
    std::string apply(Pixels& pixels, int rows, int cols, const QStringList& cleared,
                      ParamList hostParameters = {})
    {
        std::int32_t position[3] = {0, 0, 0};
        HostImage image;
        image.rows = rows;
        image.cols = cols;
        image.depth = 1;
        image.position = position;
        image.voxels = pixels.data();
        image.parameters = std::move(hostParameters);
        onModalDialog([cleared](QWidget* modal) {
            for (QCheckBox* box : modal->findChildren<QCheckBox*>())
                if (cleared.contains(box->text()))
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

TEST_F(FiltroPluginTest, RunsInPlaceWithHostParametersWinningAndErrorsReachingTheCaller)
{
    // 0..99 in 4 rows of 25, followed by a guard value; every stage cleared.
    const QStringList all = {"Smoothing Filter", "Gradient Filter", "Thresholding",
                             "Line Detector"};
    Pixels ramp(101, 4242);
    std::iota(ramp.begin(), ramp.end() - 1, std::uint16_t{0});
    const Pixels original = ramp;
    EXPECT_EQ(apply(ramp, 4, 25, all, {{"tipoOutput", "c"}, {"th", "127"}}),
              "Tipo Salida: c\nMIN CDF: 5\nMAX CDF: 94\nUmbralizacion\nMAX MIN 255 0\n");
    EXPECT_EQ(ramp[49], 0);    // stretched to 126
    EXPECT_EQ(ramp[50], 255);  // stretched to 128
    EXPECT_EQ(ramp[100], 4242);

    ramp = original;
    try {
        apply(ramp, 4, 25, all, {{"nAng", "abc"}});
        FAIL() << "no exception";
    } catch (const std::invalid_argument& e) {
        EXPECT_STREQ(e.what(), "invalid stoi argument");
    }
    EXPECT_EQ(ramp, original);  // failed before any stage ran
}

TEST_F(FiltroPluginTest, WholePipelineFindsThreeBarsAtTheirAngles)
{
    // Bars at 0, 45 and 90 degrees (angles grow towards increasing rows), 256
    // above the background so that the stretch maps them to 255 exactly.
    const int rows = 90, cols = 120;
    const std::uint16_t bar = 1256;
    Pixels original(rows * cols, 1000);
    for (int i = 0; i < 4; ++i) {
        for (int c = 10; c < 80; ++c)
            original[(10 + i) * cols + c] = bar;
        for (int t = 0; t < 50; ++t)
            original[(25 + t) * cols + 15 + t + i] = bar;
        for (int r = 20; r < 85; ++r)
            original[r * cols + 100 + i] = bar;
    }

    QTemporaryDir work;
    ASSERT_TRUE(work.isValid() && QDir(work.path()).mkdir(QStringLiteral("data")));
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(work.path()));
    Pixels buffer = original;
    // Threshold and detection on the bars themselves: no smoothing, no gradient.
    const std::string printed = apply(buffer, rows, cols, {"Smoothing Filter", "Gradient Filter"});
    QDir::setCurrent(previous);

    const std::string head =
        "Tipo Salida: n\nMIN CDF: 1000\nMAX CDF: 1256\nUmbralizacion\nMAX MIN 255 0\n"
        "Line Detection\nN lista= 3\n0\r1\r2\rN Antes Optimiza: ";
    ASSERT_EQ(printed.substr(0, head.size()), head);
    EXPECT_NE(printed.find("\nTamanho Mapa: 3\n"), std::string::npos);
    const std::size_t painting = printed.find("Painting SL 3\n");
    ASSERT_NE(painting, std::string::npos);
    // After the count, the painted list: one "x, y, angle, length" line per segment.
    const int listed =
        static_cast<int>(std::count(printed.begin() + painting, printed.end(), '\n')) - 1;

    // Every data file starts with its number of entries.
    auto numbers = [&work](const char* name) {
        std::ifstream in(work.filePath(name).toStdString());
        std::vector<double> values;
        for (double v; in >> v;)
            values.push_back(v);
        return values;
    };
    const std::vector<double> lengths = numbers("data/dataLen.dat");
    const std::vector<double> angles = numbers("data/dataAng.dat");
    ASSERT_EQ(static_cast<int>(lengths.size()), listed + 1);
    ASSERT_EQ(static_cast<int>(angles.size()), listed + 1);
    EXPECT_EQ(lengths[0], listed);
    EXPECT_EQ(angles[0], listed);

    // Every bar is found, every segment is long and lies, undirected, within 3
    // degrees of one of them (177 lies along the horizontal bar too).
    bool found[4] = {false, false, false, false};
    for (int i = 1; i <= listed; ++i) {
        EXPECT_GT(lengths[i], 40.0);
        const long k = std::lround(angles[i] / 45.0);
        EXPECT_LE(std::fabs(angles[i] - 45.0 * k), 3.0) << "segment at " << angles[i];
        found[(k % 4 + 4) % 4] = true;
    }
    EXPECT_TRUE(found[0] && found[1] && found[2] && !found[3]);

    // Both histograms: 10 bins plus the upper end, each "edge count", counting every segment.
    for (const char* name : {"data/histoLen.dat", "data/histoAng.dat"}) {
        const std::vector<double> histogram = numbers(name);
        ASSERT_EQ(histogram.size(), 23u) << name;
        EXPECT_EQ(histogram[0], 11) << name;
        double total = 0;
        for (std::size_t i = 2; i < histogram.size(); i += 2)
            total += histogram[i];
        EXPECT_EQ(total, listed) << name;
    }

    // The image as handed over, with the segments painted in (brightest - 150),
    // only on the bars or right next to them (bars keep clear of the border).
    std::vector<bool> nearBar(original.size(), false);
    for (int p = 0; p < rows * cols; ++p)
        for (int d = 0; d < 9 && original[p] == bar; ++d)
            nearBar[p + (d / 3 - 1) * cols + d % 3 - 1] = true;
    int painted = 0;
    for (int p = 0; p < rows * cols; ++p)
        if (buffer[p] != original[p]) {
            ASSERT_EQ(buffer[p], bar - 150) << p / cols << "," << p % cols;
            EXPECT_TRUE(nearBar[p]) << p / cols << "," << p % cols;
            ++painted;
        }
    EXPECT_GT(painted, 150);
}
