#pragma once
// Shows a 16-bit grey image. The image's own darkest..brightest values are
// spread over the screen's 0..255 for display only; the pixels stay as they are.
#include <QImage>
#include <QScrollArea>

#include "imageio/image_file.h"

class QLabel;

// The 8-bit picture shown for image: min..max mapped linearly onto 0..255
// (a constant image shows black).
QImage displayImage(const kestrano::GreyImage& image);

class ImageView : public QScrollArea {
public:
    explicit ImageView(QWidget* parent = nullptr);

    void setImage(const kestrano::GreyImage& image);
    const QImage& shownImage() const { return shown; }

private:
    QLabel* canvas;
    QImage shown;
};
