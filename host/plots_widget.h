#pragma once
// The run's length histogram and angle rose, drawn by the same code as
// lengths.svg and angles.svg, in the window's palette (light or dark).
#include <QString>
#include <QWidget>
#include <vector>

#include "output/segment_table.h"

class PlotsWidget : public QWidget {
    Q_OBJECT

public:
    explicit PlotsWidget(QWidget* parent = nullptr);

    void setSegments(const std::vector<kestrano::SegmentRow>& rows, const QString& unit);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::vector<double> lengths_;
    std::vector<double> angles_;
    QString unit_ = QStringLiteral("px");
};
