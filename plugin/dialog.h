#pragma once
// The modal "Skeletonization" window in which the user sets up a run. Only the
// stage switches and two line-detector values are shown; the other values come
// from controls that exist with fixed values but are never on screen.
#include <QDialog>
#include <cstdint>

#include "core/run_settings.h"

class QCheckBox;
class QGroupBox;
class QRadioButton;
class QSpinBox;

class Dialog : public QDialog {
    Q_OBJECT

public:
    explicit Dialog(QWidget* parent = nullptr);
    ~Dialog() override;

    // The value fields and flags: the controls' initial values until "Run"
    // assigns them, so a dialog closed any other way (close button, Escape)
    // yields those.
    const kestrano::DialogValues& values() const { return values_; }

private slots:
    void aceptar();

private:
    QGroupBox* buildPreprocessingGroup();
    QGroupBox* buildLineGroup();
    QGroupBox* buildLabelGroup();
    QGroupBox* buildOutputGroup();

    kestrano::DialogValues values_;  // assigned by aceptar()

    QSpinBox* nAngSpin;
    QSpinBox* lLineSpin;
    QSpinBox* lMinLineSpin;
    QSpinBox* speedSpin;
    QSpinBox* minSizeSpin;
    QSpinBox* maxSizeSpin;
    QSpinBox* nBinsSpin;
    QSpinBox* nItsSpin;
    QSpinBox* sSpin;
    QSpinBox* wSpin;
    QSpinBox* thSpin;
    QCheckBox* smoothingCheck;
    QCheckBox* gradientCheck;
    QCheckBox* thresholdingCheck;
    QCheckBox* lineDetectionCheck;
    QRadioButton* linesOnlyRadio;
    QRadioButton* linesAndBackgroundRadio;
};
