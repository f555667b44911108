// Kestrano Host: a small viewer that applies Kestrano's filter plug-ins to
// 16-bit grey images. An image path may be given on the command line.
#include <QApplication>
#include <QStringList>

#include "host/filter_loader.h"
#include "host/host_window.h"

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kestrano Host"));

    HostWindow window(pluginFolder());
    window.show();
    const QStringList arguments = QApplication::arguments();
    if (arguments.size() > 1)
        window.openImage(arguments.at(1));
    return app.exec();
}
