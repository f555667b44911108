#pragma once
// Acting on a modal dialog from inside its exec(): a timer, delivered by the
// dialog's nested event loop, waits for the dialog to come up. Also applying a
// filter the classic way a host does, in one call that shows the dialog.
#include <QApplication>
#include <QPushButton>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "contract/filter_interface.h"
#include "contract/host_image.h"
#include "support/capture_stdout.h"

inline void onModalDialog(std::function<void(QWidget*)> action)
{
    auto* timer = new QTimer(qApp);
    QObject::connect(timer, &QTimer::timeout, [timer, action]() {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            timer->stop();
            timer->deleteLater();
            action(modal);
        }
    });
    timer->start(5);
}

inline void pressRun(QWidget* dialog)
{
    for (QPushButton* button : dialog->findChildren<QPushButton*>())
        if (button->text() == QLatin1String("Run"))
            button->click();
}

// Runs `filter` on rows x cols pixels in place, `answer` acting on its dialog;
// returns what the run printed. Exceptions from the filter reach the caller.
inline std::string applyFilter(FilterInterface& filter, std::vector<std::uint16_t>& pixels, int rows, int cols,
                               std::function<void(QWidget*)> answer = pressRun, kestrano::ParamList parameters = {})
{
    std::int32_t position[3] = {0, 0, 0};
    HostImage image;
    image.rows = rows;
    image.cols = cols;
    image.depth = 1;
    image.position = position;
    image.voxels = pixels.data();
    image.parameters = std::move(parameters);
    onModalDialog(std::move(answer));
    CaptureStdout out;
    filter.applyFilter(&image);
    return out.text();
}
