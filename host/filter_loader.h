#pragma once
// Finds the filter plug-ins the host offers in its Filters menu.
#include <QString>
#include <QStringList>
#include <vector>

class FilterInterface;
class QObject;

// One entry of the Filters menu: a plug-in's interface and one of its names.
struct FilterEntry {
    FilterInterface* filter = nullptr;
    QString name;
    QObject* plugin = nullptr;  // the plug-in's root object
};

// "plugins" next to the executable, or the folder named by KESTRANO_PLUGIN_DIR.
QString pluginFolder();

// Loads every library in folder that implements FilterInterface. Files that
// cannot be loaded or offer no such interface are skipped, each with a reason
// in problems. The plug-ins stay loaded for the rest of the process.
std::vector<FilterEntry> loadFilters(const QString& folder, QStringList& problems);
