// The parameter dialog, and the run list built from it as collectParameters does.
#include <QCheckBox>
#include <QMessageBox>
#include <QGridLayout>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>
#include <tuple>
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include "modal_dialog.h"
#include "plugin/dialog.h"

using namespace kestrano;

namespace {

// Runs the dialog modally, `act` answering it from inside exec(); returns the
// run list for no host parameters at position (-7, 0, 12).
ParamList runList(const std::function<void(Dialog&, QWidget*)>& act)
{
    const std::int32_t position[3] = {-7, 0, 12};
    Dialog d;
    onModalDialog([&d, act](QWidget* modal) { act(d, modal); });
    d.exec();
    EXPECT_FALSE(d.isVisible());
    ParamList list = startParamList({}, position);
    addDialogValues(list, d.values());
    return list;
}

const ParamList initialRunList = {
    {"positionX", "-7"}, {"positionY", "0"}, {"positionZ", "12"}, {"nAng", "128"},
    {"lLine", "75"}, {"lMinLine", "40"}, {"speed", "2"}, {"minSize", "50"},
    {"maxSize", "100000"}, {"nBins", "10"}, {"tipoOutput", "n"}, {"nIts", "25"},
    {"s", "1"}, {"w", "2"}, {"th", "150"}, {"dl", "t"}};

// Cleared stages leave out their fields and names ("nIts", "s", "w", "th", "dl").
const ParamList editedRunList = {
    {"positionX", "-7"}, {"positionY", "0"}, {"positionZ", "12"}, {"nAng", "300"},
    {"lLine", "75"}, {"lMinLine", "40"}, {"speed", "2"}, {"minSize", "50"},
    {"maxSize", "100000"}, {"nBins", "10"}, {"tipoOutput", "c"}};

}  // namespace

TEST(Dialog, RunTakesTheEditsWhileEscapeOrCloseKeepTheInitialValues)
{
    EXPECT_EQ(runList([](Dialog&, QWidget* modal) { pressRun(modal); }), initialRunList);
    static const std::pair<const char*, int> edits[] = {
        {"nIts", 7}, {"s", 7},     {"w", 7},     {"th", 7},         {"nAng", 7},        {"lLine", 7},
        {"lMinLine", 7}, {"speed", 7}, {"nBins", 7}, {"minSize", 70}, {"maxSize", 700}};
    const ParamList edited = runList([](Dialog& d, QWidget* modal) {
        for (const auto& [name, value] : edits)
            d.findChild<QSpinBox*>(name)->setValue(value);
        pressRun(modal);
    });
    for (const auto& [name, value] : edits)
        EXPECT_EQ(edited.at(name), std::to_string(value)) << name;
    const std::function<void(QWidget*)> endings[] = {
        pressRun, [](QWidget* m) { QTest::keyClick(m, Qt::Key_Escape); },
        [](QWidget* m) { m->close(); }};
    for (int i = 0; i < 3; ++i) {
        const ParamList list = runList([&](Dialog& d, QWidget* modal) {
            d.findChild<QSpinBox*>("nAng")->setValue(300);
            for (QCheckBox* box : d.findChildren<QCheckBox*>())
                box->setChecked(false);
            // The first radio button is "Straight Lines Only".
            d.findChildren<QRadioButton*>().constFirst()->setChecked(true);
            endings[i](modal);
        });
        EXPECT_EQ(list, i == 0 ? editedRunList : initialRunList) << "run, escape, close: " << i;
    }
}

TEST(Dialog, ShowsTheSwitchesAndTwoFieldsWithEveryFieldsRange)
{
    Dialog d;
    d.show();
    EXPECT_EQ(d.windowTitle(), "Skeletonization");
    // Of the fields only nAng and lMinLine are on screen: the others, and the
    // groups holding them, exist only to supply their values.
    for (QSpinBox* box : d.findChildren<QSpinBox*>())
        EXPECT_EQ(box->isVisible(), box->objectName() == "nAng" || box->objectName() == "lMinLine")
            << box->objectName().toStdString();

    // The stage switches head the first column of their groups.
    QStringList switches;
    for (QCheckBox* box : d.findChildren<QCheckBox*>()) {
        auto* grid = qobject_cast<QGridLayout*>(box->parentWidget()->layout());
        ASSERT_NE(grid, nullptr) << box->text().toStdString();
        EXPECT_TRUE(box->isVisible()) << box->text().toStdString();
        int r = -1, c = -1, rowSpan = 0, columnSpan = 0;
        grid->getItemPosition(grid->indexOf(box), &r, &c, &rowSpan, &columnSpan);
        switches << QString("%1 %2,%3").arg(box->text()).arg(r).arg(c);
    }
    EXPECT_EQ(switches, (QStringList{"Smoothing Filter 0,0", "Gradient Filter 1,0", "Thresholding 3,0",
                                     "Line Detector 0,0"}));
    // Each field's range and the step of its arrows.
    for (const auto& [name, low, high, step] :
         {std::tuple{"nAng", 1, 1440, 4}, {"lLine", 0, 512, 5}, {"lMinLine", 0, 256, 1}, {"speed", 0, 25, 1},
          {"minSize", 10, 10000, 10}, {"maxSize", 100, 1000000, 100}, {"nBins", 2, 4096, 2}, {"nIts", 0, 512, 1},
          {"s", 0, 64, 1}, {"w", 0, 64, 1}, {"th", 0, 255, 1}}) {
        const QSpinBox* box = d.findChild<QSpinBox*>(name);
        ASSERT_NE(box, nullptr) << name;
        EXPECT_EQ((std::tuple{box->minimum(), box->maximum(), box->singleStep()}), (std::tuple{low, high, step})) << name;
    }
}

TEST(Dialog, TheHostsOwnEntriesKeepTheirValues)
{
    // Host entries win over the image position and the dialog alike.
    const std::int32_t position[3] = {-7, 0, 12};
    const ParamList host = {{"positionX", "1"}, {"positionY", "2"}, {"positionZ", "3"}, {"nAng", "9"}};
    ParamList list = startParamList(host, position);
    DialogValues values;
    values.thresholdingOn = false;
    addDialogValues(list, values);
    ParamList expected = initialRunList;
    expected.erase("th");
    for (const auto& [name, value] : host)
        expected[name] = value;
    EXPECT_EQ(list, expected);
}

TEST(Dialog, AModalWindowNobodyAnswersFailsTheTestInsteadOfBlocking)
{
    EXPECT_NONFATAL_FAILURE(
        {
            QMessageBox box(QMessageBox::Critical, "Left open", "nobody answers", QMessageBox::Ok);
            box.exec();
        },
        "a modal window was left open: \"Left open\"");
}
