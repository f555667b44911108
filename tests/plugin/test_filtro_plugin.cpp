// The plug-in as a host sees it: loaded from its file, reached through
// FilterInterface, applied with the dialog answered by a timer.
#include <QCheckBox>
#include <QPluginLoader>
#include <cstdint>
#include <stdexcept>
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
    EXPECT_EQ(pixels[49], 0);    // stretched to 125
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
