#pragma once
// The host's main window: opens a 16-bit grey image, applies the filters that
// its plug-ins offer, and saves the result.
#include <QMainWindow>
#include <QString>

#include "imageio/image_file.h"

class FilterInterface;
class ImageView;
class QAction;
class QMenu;

class HostWindow : public QMainWindow {
    Q_OBJECT

public:
    // Fills the Filters menu from the plug-ins in pluginFolder.
    explicit HostWindow(const QString& pluginFolder, QWidget* parent = nullptr);

    // Both report a failure in a message box and return false.
    bool openImage(const QString& path);
    bool saveImage(const QString& path);

    // Adds a menu entry that applies filter under the given name.
    void addFilter(FilterInterface* filter, const QString& name);
    QAction* filterAction(const QString& name) const;

    const kestrano::GreyImage& image() const { return current; }
    const QImage& shownImage() const;

private:
    void chooseAndOpen();
    void chooseAndSave();
    void applyFilter(FilterInterface* filter, const QString& name);
    void showImage(const kestrano::GreyImage& image);
    void showError(const QString& title, const QString& text);

    ImageView* view;
    QMenu* filtersMenu;
    QAction* saveAsAction;
    QAction* noFiltersAction = nullptr;
    kestrano::GreyImage current;
};
