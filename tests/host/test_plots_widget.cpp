// The plots follow the window's palette, so a dark theme stays readable.
#include <QPalette>
#include <gtest/gtest.h>

#include "host/plots_widget.h"

TEST(PlotsWidget, PaintsInThePalettesColours)
{
    for (const QColor& base : {QColor(30, 30, 30), QColor(250, 250, 250)}) {
        PlotsWidget plots;
        QPalette palette = plots.palette();
        palette.setColor(QPalette::Base, base);
        palette.setColor(QPalette::Text, QColor(255 - base.red(), 255 - base.green(), 255 - base.blue()));
        plots.setPalette(palette);
        plots.resize(600, 300);
        kestrano::SegmentRow row;
        row.length = 40;
        row.angleDeg = 20;
        plots.setSegments({row, row}, "px");
        const QImage picture = plots.grab().toImage();
        EXPECT_EQ(picture.pixelColor(5, picture.height() - 5), base);
        EXPECT_EQ(picture.pixelColor(picture.width() - 5, 5), base);
    }
}
