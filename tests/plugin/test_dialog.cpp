// The parameter dialog, and the run list built from it as collectParameters does.
#include <QCheckBox>
#include <QGroupBox>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>
#include <gtest/gtest.h>

#include "modal_dialog.h"
#include "plugin/dialog.h"

namespace {

QSpinBox* spin(Dialog& d, const char* name) { return d.findChild<QSpinBox*>(QLatin1String(name)); }

QString textOf(const QAbstractButton* b) { return b->text(); }
QString textOf(const QGroupBox* g) { return g->title(); }
QString textOf(const QSpinBox* s) { return s->objectName(); }

template <class W>
QStringList visibleTexts(Dialog& d)
{
    QStringList texts;
    for (W* widget : d.findChildren<W*>())
        if (widget->isVisible())
            texts << textOf(widget);
    return texts;
}

// Runs the dialog modally; `act` answers it from inside exec().
DialogValues runDialog(const std::function<void(Dialog&, QWidget*)>& act)
{
    Dialog d;
    onModalDialog([&d, act](QWidget* modal) { act(d, modal); });
    d.exec();
    EXPECT_FALSE(d.isVisible());
    return dialogValues(d);
}

void clearChecks(Dialog& d)
{
    for (QCheckBox* box : d.findChildren<QCheckBox*>())
        box->setChecked(false);
}

const std::int32_t position[3] = {-7, 0, 12};

const ParamList untouchedRunList = {
    {"positionX", "-7"}, {"positionY", "0"}, {"positionZ", "12"}, {"nAng", "128"},
    {"lLine", "75"}, {"lMinLine", "40"}, {"speed", "2"}, {"minSize", "50"},
    {"maxSize", "100000"}, {"nBins", "10"}, {"tipoOutput", "n"}, {"nIts", "25"},
    {"s", "1"}, {"w", "2"}, {"th", "150"}, {"dl", "t"}};

}  // namespace

TEST(Dialog, UntouchedRunGivesTheInitialValuesAndSixteenEntries)
{
    ParamList list = startParamList({}, position);
    addDialogValues(list, runDialog([](Dialog&, QWidget* modal) { pressRun(modal); }));
    EXPECT_EQ(list, untouchedRunList);
}

TEST(Dialog, ClearedStagesLeaveTheirFieldsAndNamesOut)
{
    const DialogValues v = runDialog([](Dialog& d, QWidget* modal) {
        spin(d, "nAng")->setValue(300);
        spin(d, "s")->setValue(9);
        clearChecks(d);
        d.findChildren<QRadioButton*>().constFirst()->setChecked(true);  // "Straight Lines Only"
        pressRun(modal);
    });
    EXPECT_EQ(v.nAng, 300);
    EXPECT_EQ(v.s, 1);  // not read while "Gradient Filter" is off
    EXPECT_EQ(v.tipoOutput, 'c');
    ParamList list;
    addDialogValues(list, v);
    EXPECT_EQ(list.size(), 8u);  // no "nIts", "s", "w", "th" or "dl"
}

TEST(Dialog, EscapeOrCloseKeepsTheInitialValues)
{
    for (bool escape : {true, false}) {
        const DialogValues v = runDialog([escape](Dialog& d, QWidget* modal) {
            spin(d, "nAng")->setValue(300);
            clearChecks(d);
            if (escape)
                QTest::keyClick(modal, Qt::Key_Escape);
            else
                modal->close();
        });
        ParamList list = startParamList({}, position);
        addDialogValues(list, v);
        EXPECT_EQ(list, untouchedRunList) << (escape ? "escape" : "close");
    }
}

TEST(Dialog, ShowsTwoGroupsAndTheRunButtonOnly)
{
    Dialog d;
    d.show();
    EXPECT_EQ(d.windowTitle(), "Skeletonization");
    EXPECT_EQ(visibleTexts<QGroupBox>(d), (QStringList{"Preprocessing Parameters", "SL Parameters"}));
    EXPECT_EQ(visibleTexts<QAbstractButton>(d),
              (QStringList{"Smoothing Filter", "Gradient Filter", "Thresholding", "Line Detector", "Run"}));
    EXPECT_EQ(visibleTexts<QSpinBox>(d), (QStringList{"nAng", "lMinLine"}));
    EXPECT_EQ(d.findChildren<QSpinBox*>().size(), 11);
    EXPECT_EQ(d.findChildren<QRadioButton*>().size(), 2);
}

TEST(Dialog, ValuesBeyondTheRangeAreClamped)
{
    Dialog d;
    QSpinBox* nAng = spin(d, "nAng");
    nAng->setValue(5000);
    EXPECT_EQ(nAng->value(), 1440);
    nAng->setValue(-3);
    EXPECT_EQ(nAng->value(), 1);
}
