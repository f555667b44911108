#include "plugin/dialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <initializer_list>

using namespace kestrano;

namespace {

// Configured in the order range, value, step: the value is clamped to the
// range already in force.
QSpinBox* makeSpinBox(QWidget* parent, const char* name, int minimum, int maximum, int value,
                      int step)
{
    auto* box = new QSpinBox(parent);
    box->setObjectName(QLatin1String(name));
    box->setRange(minimum, maximum);
    box->setValue(value);
    box->setSingleStep(step);
    return box;
}

QCheckBox* makeCheckBox(QWidget* parent, const char* text, bool on)
{
    auto* box = new QCheckBox(QLatin1String(text), parent);
    box->setChecked(on);
    return box;
}

QLabel* makeLabel(QWidget* parent, const char* text)
{
    return new QLabel(QLatin1String(text), parent);
}

}  // namespace

Dialog::Dialog(QWidget* parent) : QDialog(parent)
{
    const DialogValues initial;

    nAngSpin = makeSpinBox(this, "nAng", 1, 1440, initial.nAng, 4);
    lLineSpin = makeSpinBox(this, "lLine", 0, 512, initial.lLine, 5);
    lMinLineSpin = makeSpinBox(this, "lMinLine", 0, 256, initial.lMinLine, 1);
    speedSpin = makeSpinBox(this, "speed", 0, 25, initial.speed, 1);
    minSizeSpin = makeSpinBox(this, "minSize", 10, 10000, initial.minSize, 10);
    maxSizeSpin = makeSpinBox(this, "maxSize", 100, 1000000, initial.maxSize, 100);
    nBinsSpin = makeSpinBox(this, "nBins", 2, 4096, initial.nBins, 2);
    nItsSpin = makeSpinBox(this, "nIts", 0, 512, initial.nIts, 1);
    sSpin = makeSpinBox(this, "s", 0, 64, initial.s, 1);
    wSpin = makeSpinBox(this, "w", 0, 64, initial.w, 1);
    thSpin = makeSpinBox(this, "th", 0, 255, initial.th, 1);

    smoothingCheck = makeCheckBox(this, "Smoothing Filter", initial.smoothingOn);
    gradientCheck = makeCheckBox(this, "Gradient Filter", initial.gradientOn);
    thresholdingCheck = makeCheckBox(this, "Thresholding", initial.thresholdingOn);
    lineDetectionCheck = makeCheckBox(this, "Line Detector", initial.lineDetectionOn);

    linesOnlyRadio = new QRadioButton(QLatin1String("Straight Lines Only"), this);
    linesAndBackgroundRadio = new QRadioButton(QLatin1String("Straight Lines + BG"), this);
    linesOnlyRadio->setChecked(initial.tipoOutput == 'c');
    linesAndBackgroundRadio->setChecked(initial.tipoOutput != 'c');

    // Placed nowhere: they exist only to supply their values to aceptar().
    for (QWidget* unplaced : std::initializer_list<QWidget*>{lLineSpin, speedSpin, nItsSpin, sSpin,
                                                             wSpin, thSpin})
        unplaced->hide();

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(buildPreprocessingGroup());
    layout->addWidget(buildLineGroup());
    auto* run = new QPushButton(tr("Run"), this);
    layout->addWidget(run);

    // Built like the others but never shown, for the same reason.
    buildLabelGroup()->hide();
    buildOutputGroup()->hide();

    setWindowTitle(tr("Skeletonization"));
    connect(run, &QPushButton::clicked, this, &Dialog::aceptar);
}

Dialog::~Dialog() = default;

QGroupBox* Dialog::buildPreprocessingGroup()
{
    auto* group = new QGroupBox(QLatin1String("Preprocessing Parameters"), this);
    auto* grid = new QGridLayout(group);
    grid->addWidget(smoothingCheck, 0, 0);
    grid->addWidget(gradientCheck, 1, 0);
    grid->addWidget(thresholdingCheck, 3, 0);
    return group;
}

QGroupBox* Dialog::buildLineGroup()
{
    auto* group = new QGroupBox(QLatin1String("SL Parameters"), this);
    auto* grid = new QGridLayout(group);
    grid->addWidget(lineDetectionCheck, 0, 0);
    grid->addWidget(makeLabel(group, "Number of Angles: "), 1, 0);
    grid->addWidget(nAngSpin, 1, 1);
    grid->addWidget(makeLabel(group, "Minimum SL Length: "), 3, 0);
    grid->addWidget(lMinLineSpin, 3, 1);
    return group;
}

QGroupBox* Dialog::buildLabelGroup()
{
    auto* group = new QGroupBox(QLatin1String("Label Parameters"), this);
    auto* grid = new QGridLayout(group);
    grid->addWidget(makeLabel(group, "Minimun Size: "), 0, 0);
    grid->addWidget(minSizeSpin, 0, 1);
    grid->addWidget(makeLabel(group, "Maximun Size: "), 1, 0);
    grid->addWidget(maxSizeSpin, 1, 1);
    return group;
}

QGroupBox* Dialog::buildOutputGroup()
{
    auto* group = new QGroupBox(QLatin1String("Output Parameters"), this);
    auto* grid = new QGridLayout(group);
    grid->addWidget(linesOnlyRadio, 0, 0);
    grid->addWidget(linesAndBackgroundRadio, 0, 1);
    grid->addWidget(makeLabel(group, "N Bins: "), 1, 0);
    grid->addWidget(nBinsSpin, 1, 1);
    return group;
}

void Dialog::aceptar()
{
    values_.nAng = nAngSpin->value();
    values_.lLine = lLineSpin->value();
    values_.lMinLine = lMinLineSpin->value();
    values_.speed = speedSpin->value();
    values_.minSize = minSizeSpin->value();
    values_.maxSize = maxSizeSpin->value();
    values_.nBins = nBinsSpin->value();

    values_.smoothingOn = smoothingCheck->isChecked();
    if (values_.smoothingOn)
        values_.nIts = nItsSpin->value();
    values_.gradientOn = gradientCheck->isChecked();
    if (values_.gradientOn) {
        values_.s = sSpin->value();
        values_.w = wSpin->value();
    }
    values_.thresholdingOn = thresholdingCheck->isChecked();
    if (values_.thresholdingOn)
        values_.th = thSpin->value();
    values_.lineDetectionOn = lineDetectionCheck->isChecked();
    values_.tipoOutput = linesOnlyRadio->isChecked() ? 'c' : 'n';

    close();
}
