#pragma once
// The host's main window: opens a 16-bit grey image, applies the filters that
// its plug-ins offer, shows the result as a colour overlay over the image (or
// the painted result itself) with the segment table and the plots in docks,
// and saves the result or exports the results folder. Runs work off the
// interface thread; every state of the image can be undone.
#include <QMainWindow>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

#include "core/kestrano.h"
#include "core/pixel_scale.h"
#include "imageio/image_file.h"
#include "output/segment_table.h"

class FilterInterface;
class ImageCanvas;
class PlotsWidget;
class QAction;
class QLabel;
class QMenu;
class QProgressBar;
class QSortFilterProxyModel;
class QTableView;
class QThread;
class SegmentTableModel;

// What one run of a filter made of the image it started from.
struct FilterRunRecord {
    QString filter;
    kestrano::ParamList params;
    std::shared_ptr<const kestrano::GreyImage> input;  // the pixels the run started from
    bool chained = false;                              // started from an earlier result
    std::vector<kestrano::SegmentRow> segments;        // empty for a plug-in that reports none
    kestrano::PixelScale scale;
    bool reportsSegments = false;
    QString dataFolder;                                // empty when no data files were written
};

class HostWindow : public QMainWindow {
    Q_OBJECT

public:
    // Reports an error to the user: a window-modal box by default, which never
    // blocks the caller; tests replace it.
    using ErrorReporter = std::function<void(const QString& title, const QString& text)>;

    // Fills the Filters menu from the plug-ins in pluginFolder.
    explicit HostWindow(const QString& pluginFolder, QWidget* parent = nullptr);
    ~HostWindow() override;

    // Both report a failure through the error reporter and return false.
    bool openImage(const QString& path);
    bool saveImage(const QString& path);
    // Starts the export in the background; exportFinished tells how it went.
    void exportResults(const QString& folder, bool overwrite);

    // Adds a menu entry that applies filter under the given name; `plugin` is
    // the plug-in's object, asked for its optional settings interface.
    void addFilter(FilterInterface* filter, const QString& name, QObject* plugin = nullptr);
    QAction* filterAction(const QString& name) const;
    void setErrorReporter(ErrorReporter reporter) { reportError = std::move(reporter); }

    const kestrano::GreyImage& image() const { return *current.image; }
    const kestrano::GreyImage& openedImage() const { return *opened; }
    const FilterRunRecord* lastRun() const { return current.run.get(); }
    bool busy() const { return worker != nullptr; }
    const QImage& shownImage() const;

    ImageCanvas* canvas() const { return canvas_; }
    QTableView* segmentTable() const { return table; }
    QAction* undoAction() const { return undo; }
    QAction* revertAction() const { return revert; }
    QAction* chainAction() const { return chain; }
    QAction* overlayAction() const { return overlay; }
    QAction* exportAction() const { return exportResultsAction; }

signals:
    void runFinished(bool ok);
    void exportFinished(bool ok);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    struct State {
        std::shared_ptr<const kestrano::GreyImage> image;  // what Save As writes
        std::shared_ptr<const FilterRunRecord> run;        // null for the image as opened
    };

    void buildMenus();
    void buildDocks();
    void chooseAndOpen();
    void chooseAndSave();
    void chooseAndExport();
    void applyFilter(FilterInterface* filter, const QString& name, QObject* plugin);
    void applyInPlace(FilterInterface* filter, const QString& name, std::shared_ptr<const kestrano::GreyImage> input,
                      bool chained);
    void finishRun(const QString& name, kestrano::ParamList params, std::shared_ptr<const kestrano::GreyImage> input,
                   bool chained, kestrano::RunResult run, const std::string& log);
    void setBusy(const QString& what, QThread* thread);
    void showState(State state, bool pushUndo, bool keepView);
    void refreshPicture(bool keepView);
    void updateActions();
    void showPixel(int column, int row);
    void selectSegmentRow(int index);
    void segmentRowSelected();
    void showError(const QString& title, const QString& text);

    ImageCanvas* canvas_;
    SegmentTableModel* segments;
    QSortFilterProxyModel* sortedSegments;
    QTableView* table;
    PlotsWidget* plots;
    QMenu* filtersMenu = nullptr;
    QMenu* viewMenu = nullptr;
    QAction* saveAsAction = nullptr;
    QAction* exportResultsAction = nullptr;
    QAction* noFiltersAction = nullptr;
    QAction* undo = nullptr;
    QAction* revert = nullptr;
    QAction* chain = nullptr;
    QAction* overlay = nullptr;
    QLabel* pixelLabel;
    QLabel* zoomLabel;
    QProgressBar* busyBar;
    QThread* worker = nullptr;
    ErrorReporter reportError;

    QString openedPath;
    std::shared_ptr<const kestrano::GreyImage> opened;
    State current;
    std::vector<State> undoStack;
    QImage inputPicture;   // the run's input (or the opened image) for display
    QImage resultPicture;  // the painted result for display
};
