// The plug-in as a host sees it: loaded from its file, reached through
// FilterInterface, applied with the dialog answered by a timer. Its results
// with line detection are compared with the host's own run in the host test.
#include <QCheckBox>
#include <QPluginLoader>
#include <cstdint>
#include <numeric>
#include <stdexcept>
#include <string>
#include <vector>
#include <gtest/gtest.h>

#include "modal_dialog.h"
#include "support/thrown_message.h"

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

    // Applies the filter to 4 rows of 25 pixels with every check box cleared
    // in the dialog; returns what the run printed.
    std::string applyWithStagesCleared(Pixels& pixels, ParamList hostParameters)
    {
        const auto clearAll = [](QWidget* modal) {
            for (QCheckBox* box : modal->findChildren<QCheckBox*>())
                box->setChecked(false);
            pressRun(modal);
        };
        return applyFilter(*filter, pixels, 4, 25, clearAll, std::move(hostParameters));
    }

    QPluginLoader loader{QStringLiteral(KESTRANO_PLUGIN_FILE)};
    QObject* object = nullptr;
    FilterInterface* filter = nullptr;
};

}  // namespace

TEST_F(FiltroPluginTest, AnswersTheHostsCastsAndNamesItsFilter)
{
    EXPECT_STREQ(object->metaObject()->className(), "FiltroPlugin");
    EXPECT_EQ(object->qt_metacast("QMainWindow"), static_cast<void*>(object));
    EXPECT_EQ(object->qt_metacast("FilterInterface"), static_cast<void*>(filter));
    EXPECT_EQ(filter->filterNames(), QStringList{"Kestrano Full"});
}

TEST_F(FiltroPluginTest, RunsInPlaceWithHostParametersWinningAndErrorsReachingTheCaller)
{
    // 0..99 followed by a guard value.
    Pixels ramp(101, 4242);
    std::iota(ramp.begin(), ramp.end() - 1, std::uint16_t{0});
    const Pixels original = ramp;
    EXPECT_EQ(applyWithStagesCleared(ramp, {{"tipoOutput", "c"}, {"th", "127"}}),
              "Tipo Salida: c\nMIN CDF: 5\nMAX CDF: 94\nUmbralizacion\nMAX MIN 255 0\n");
    EXPECT_EQ(ramp[49], 0);    // stretched to 126
    EXPECT_EQ(ramp[50], 255);  // stretched to 128
    EXPECT_EQ(ramp[100], 4242);

    ramp = original;
    EXPECT_EQ(thrownMessage<std::invalid_argument>([&] { applyWithStagesCleared(ramp, {{"nAng", "abc"}}); }),
              "invalid stoi argument");
    EXPECT_EQ(ramp, original);  // failed before any stage ran
}
