#include "render/offscreen_gui.h"

#include <QCoreApplication>
#include <QGuiApplication>

namespace kestrano {

namespace {

char programName[] = "kestrano";
char platformOption[] = "-platform";
char offscreen[] = "offscreen";

// Qt's own notes (font fallbacks and the like) are not the user's business on
// a tool's standard error; critical messages still go through.
void quietQtMessages(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type == QtCriticalMsg || type == QtFatalMsg)
        fprintf(stderr, "kestrano: Qt: %s\n", qPrintable(message));
}

}  // namespace

OffscreenGui::OffscreenGui() : argv_{programName, platformOption, offscreen, nullptr}
{
    if (QCoreApplication::instance() != nullptr)
        return;
    qInstallMessageHandler(quietQtMessages);
    app_ = std::make_unique<QGuiApplication>(argc_, argv_);
}

OffscreenGui::~OffscreenGui() = default;

}  // namespace kestrano
