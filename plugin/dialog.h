#pragma once
// The modal "Skeletonization" window in which the user sets up a run. Only the
// stage switches and two line-detector values are shown; the other values come
// from controls that exist with fixed values but are never on screen.
#include <QDialog>
#include <cstdint>

#include "plugin/run_settings.h"

class QCheckBox;
class QGroupBox;
class QRadioButton;
class QSpinBox;

class Dialog : public QDialog {
    Q_OBJECT

public:
    explicit Dialog(QWidget* parent = nullptr);
    ~Dialog() override;

    std::int32_t getNAng() const { return nAng; }
    std::int32_t getLLine() const { return lLine; }
    std::int32_t getLMinLine() const { return lMinLine; }
    std::int32_t getSpeed() const { return speed; }
    std::int32_t getMinSize() const { return minSize; }
    std::int32_t getMaxSize() const { return maxSize; }
    std::int32_t getNBins() const { return nBins; }
    std::int32_t getNIts() const { return nIts; }
    std::int32_t getS() const { return s; }
    std::int32_t getW() const { return w; }
    std::int32_t getTh() const { return th; }
    bool getSmoothingOn() const { return smoothingOn; }
    bool getGradientOn() const { return gradientOn; }
    bool getThresholdingOn() const { return thresholdingOn; }
    bool getLineDetectionOn() const { return lineDetectionOn; }
    char getTipoOutput() const { return tipoOutput; }

private slots:
    void aceptar();

private:
    QGroupBox* buildPreprocessingGroup();
    QGroupBox* buildLineGroup();
    QGroupBox* buildLabelGroup();
    QGroupBox* buildOutputGroup();

    // Assigned by aceptar(). They start at the controls' initial values, so a
    // dialog closed any other way (close button, Escape) yields those.
    std::int32_t nAng;
    std::int32_t lLine;
    std::int32_t lMinLine;
    std::int32_t speed;
    std::int32_t minSize;
    std::int32_t maxSize;
    std::int32_t nBins;
    std::int32_t nIts;
    std::int32_t s;
    std::int32_t w;
    std::int32_t th;
    bool smoothingOn;
    bool gradientOn;
    bool thresholdingOn;
    bool lineDetectionOn;
    char tipoOutput;

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

// All the dialog's fields and flags, read through its accessors.
DialogValues dialogValues(const Dialog& dialog);
