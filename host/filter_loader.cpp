#include "host/filter_loader.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibrary>
#include <QPluginLoader>

#include "contract/filter_interface.h"

QString pluginFolder()
{
    const QString fromEnvironment = qEnvironmentVariable("KESTRANO_PLUGIN_DIR");
    if (!fromEnvironment.isEmpty())
        return fromEnvironment;
    return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("plugins"));
}

std::vector<FilterEntry> loadFilters(const QString& folder, QStringList& problems)
{
    std::vector<FilterEntry> entries;
    const QDir dir(folder);
    for (const QString& fileName : dir.entryList(QDir::Files, QDir::Name)) {
        if (!QLibrary::isLibrary(fileName))
            continue;
        QPluginLoader loader(dir.filePath(fileName));
        QObject* plugin = loader.instance();
        if (plugin == nullptr) {
            problems << QStringLiteral("%1: %2").arg(fileName, loader.errorString());
            continue;
        }
        auto* filter = qobject_cast<FilterInterface*>(plugin);
        if (filter == nullptr) {
            problems << QStringLiteral("%1: not a filter plug-in").arg(fileName);
            continue;
        }
        for (const QString& name : filter->filterNames())
            entries.push_back({filter, name, plugin});
    }
    return entries;
}
