#include "host/host_window.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QDockWidget>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QProgressBar>
#include <QSortFilterProxyModel>
#include <QStatusBar>
#include <QTableView>
#include <QThread>
#include <cstdint>
#include <exception>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "contract/filter_interface.h"
#include "contract/filter_settings.h"
#include "contract/host_image.h"
#include "host/background_task.h"
#include "host/filter_loader.h"
#include "host/image_canvas.h"
#include "host/plots_widget.h"
#include "host/results_export.h"
#include "host/segment_table_model.h"
#include "output/data_files.h"
#include "output/histograms.h"
#include "render/display_range.h"

using namespace kestrano;

namespace {

constexpr std::size_t kUndoDepth = 20;

QString imageFileTypes()
{
    return HostWindow::tr("Images (*.tif *.tiff *.png *.pgm *.jpg *.jpeg);;All files (*)");
}

QImage displayOf(const GreyImage& image)
{
    const std::size_t count = image.pixels.size();
    return greyDisplayImage(image.pixels.data(), image.rows, image.cols,
                            robustDisplayRange(image.pixels.data(), count));
}

struct PipelineOutcome {
    RunResult run;
    std::string log;
    QString error;
};

// The data files the plug-in writes into ./data of the working directory; the
// folder is created when missing. Returns the folder, or empty when it cannot
// be made.
QString writeDataFiles(const RunResult& run)
{
    if (!QDir::current().mkpath(QStringLiteral("data")))
        return QString();
    writeLengthData(run.lines, "./data/dataLen.dat");
    writeAngleData(run.lines, "./data/dataAng.dat");
    writeHistogram(run.lengthHistogram, "./data/histoLen.dat");
    writeHistogram(run.angleHistogram, "./data/histoAng.dat");
    return QDir::toNativeSeparators(QDir::current().absoluteFilePath(QStringLiteral("data")));
}

// The record a plug-in gets of a 2-D image: the host keeps no stack, so the
// depth is 1 and the position the origin (held in `position`).
HostImage imageRecord(const GreyImage& image, std::int32_t (&position)[3])
{
    HostImage record;
    record.rows = image.rows;
    record.cols = image.cols;
    record.depth = 1;
    record.position = position;
    return record;
}

}  // namespace

HostWindow::HostWindow(const QString& pluginFolder, QWidget* parent)
    : QMainWindow(parent),
      canvas_(new ImageCanvas(this)),
      segments(new SegmentTableModel(this)),
      sortedSegments(new QSortFilterProxyModel(this)),
      table(new QTableView),
      plots(new PlotsWidget),
      pixelLabel(new QLabel),
      zoomLabel(new QLabel),
      busyBar(new QProgressBar),
      opened(std::make_shared<const GreyImage>())
{
    current.image = opened;
    reportError = [this](const QString& title, const QString& text) {
        auto* box = new QMessageBox(QMessageBox::Critical, title, text, QMessageBox::Ok, this);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->open();  // window-modal, but nothing waits for it
    };
    setWindowTitle(tr("Kestrano Host"));
    setCentralWidget(canvas_);
    resize(1200, 800);

    buildDocks();
    buildMenus();

    pixelLabel->setObjectName(QStringLiteral("pixelReadout"));
    busyBar->setRange(0, 0);  // indeterminate
    busyBar->setMaximumWidth(140);
    busyBar->setVisible(false);
    statusBar()->addPermanentWidget(pixelLabel);
    statusBar()->addPermanentWidget(zoomLabel);
    statusBar()->addPermanentWidget(busyBar);
    connect(canvas_, &ImageCanvas::hovered, this, &HostWindow::showPixel);
    connect(canvas_, &ImageCanvas::zoomChanged, this,
            [this](double zoom) { zoomLabel->setText(tr("%1 %").arg(qRound(zoom * devicePixelRatioF() * 100))); });
    connect(canvas_, &ImageCanvas::segmentClicked, this, &HostWindow::selectSegmentRow);

    QStringList problems;
    for (const FilterEntry& entry : loadFilters(pluginFolder, problems))
        addFilter(entry.filter, entry.name, entry.plugin);
    for (const QString& problem : problems)
        qWarning("Skipped plug-in %s", qPrintable(problem));
    if (filtersMenu->isEmpty()) {
        noFiltersAction = filtersMenu->addAction(tr("No filters in %1").arg(pluginFolder));
        noFiltersAction->setEnabled(false);
    }
    updateActions();
    statusBar()->showMessage(tr("Plug-ins from %1").arg(QDir::toNativeSeparators(pluginFolder)));
}

HostWindow::~HostWindow()
{
    if (worker != nullptr)
        worker->wait();
}

void HostWindow::closeEvent(QCloseEvent* event)
{
    // A run cannot be interrupted; the window closes once it is done.
    if (worker != nullptr) {
        statusBar()->showMessage(tr("Waiting for the run to finish..."));
        QApplication::setOverrideCursor(Qt::WaitCursor);
        worker->wait();
        QApplication::restoreOverrideCursor();
    }
    event->accept();
}

void HostWindow::buildDocks()
{
    sortedSegments->setSourceModel(segments);
    sortedSegments->setSortRole(Qt::UserRole);
    table->setModel(sortedSegments);
    table->setSortingEnabled(true);
    table->sortByColumn(0, Qt::AscendingOrder);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->verticalHeader()->setVisible(false);
    table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 6);
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    table->setAlternatingRowColors(true);
    connect(table->selectionModel(), &QItemSelectionModel::selectionChanged, this, &HostWindow::segmentRowSelected);

    auto* tableDock = new QDockWidget(tr("Segments"), this);
    tableDock->setObjectName(QStringLiteral("segmentsDock"));
    tableDock->setWidget(table);
    addDockWidget(Qt::RightDockWidgetArea, tableDock);

    auto* plotsDock = new QDockWidget(tr("Plots"), this);
    plotsDock->setObjectName(QStringLiteral("plotsDock"));
    plotsDock->setWidget(plots);
    addDockWidget(Qt::RightDockWidgetArea, plotsDock);
    resizeDocks({tableDock, plotsDock}, {600, 600}, Qt::Horizontal);
    resizeDocks({tableDock, plotsDock}, {380, 420}, Qt::Vertical);
}

void HostWindow::buildMenus()
{
    QMenu* fileMenu = menuBar()->addMenu(tr("&File"));
    fileMenu->addAction(tr("&Open..."), QKeySequence::Open, this, &HostWindow::chooseAndOpen);
    saveAsAction = fileMenu->addAction(tr("Save &As..."), QKeySequence::SaveAs, this, &HostWindow::chooseAndSave);
    exportResultsAction = fileMenu->addAction(tr("&Export Results..."), this, &HostWindow::chooseAndExport);
    exportResultsAction->setStatusTip(tr("Write the results folder that kestrano --out-dir writes for this run"));
    fileMenu->addSeparator();
    fileMenu->addAction(tr("&Quit"), QKeySequence::Quit, this, &QWidget::close);

    QMenu* editMenu = menuBar()->addMenu(tr("&Edit"));
    undo = editMenu->addAction(tr("&Undo"), QKeySequence::Undo, this, [this] {
        if (undoStack.empty() || worker != nullptr)
            return;
        State previous = undoStack.back();
        undoStack.pop_back();
        showState(previous, false, true);
        statusBar()->showMessage(tr("Undone"));
    });
    revert = editMenu->addAction(tr("&Revert to Original"), this, [this] {
        if (worker != nullptr)
            return;
        showState({opened, nullptr}, true, true);
        statusBar()->showMessage(tr("Back to the image as opened"));
    });
    editMenu->addSeparator();
    chain = editMenu->addAction(tr("Apply Filters to the &Result"));
    chain->setCheckable(true);
    chain->setStatusTip(tr("Chain: the next filter starts from the shown result instead of the image as opened"));

    filtersMenu = menuBar()->addMenu(tr("F&ilters"));

    viewMenu = menuBar()->addMenu(tr("&View"));
    overlay = viewMenu->addAction(tr("Colour &Overlay"), this, [this] { refreshPicture(true); });
    overlay->setCheckable(true);
    overlay->setChecked(true);
    overlay->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_T));
    overlay->setStatusTip(tr("Segments in colour over the image, or the painted 16-bit result"));
    viewMenu->addSeparator();
    viewMenu->addAction(tr("Zoom &In"), QKeySequence::ZoomIn, this, [this] { canvas_->zoomBy(1.25); });
    viewMenu->addAction(tr("Zoom &Out"), QKeySequence::ZoomOut, this, [this] { canvas_->zoomBy(0.8); });
    viewMenu->addAction(tr("&Fit to Window"), QKeySequence(Qt::CTRL | Qt::Key_0), canvas_, &ImageCanvas::zoomToFit);
    viewMenu->addAction(tr("&Actual Size (1:1)"), QKeySequence(Qt::CTRL | Qt::Key_1), canvas_,
                        &ImageCanvas::zoomToActualSize);
    viewMenu->addSeparator();
    for (QDockWidget* dock : findChildren<QDockWidget*>())
        viewMenu->addAction(dock->toggleViewAction());
}

void HostWindow::addFilter(FilterInterface* filter, const QString& name, QObject* plugin)
{
    if (noFiltersAction != nullptr) {
        filtersMenu->removeAction(noFiltersAction);
        delete noFiltersAction;
        noFiltersAction = nullptr;
    }
    filtersMenu->addAction(name, this, [this, filter, name, plugin] { applyFilter(filter, name, plugin); });
    updateActions();
}

QAction* HostWindow::filterAction(const QString& name) const
{
    for (QAction* action : filtersMenu->actions())
        if (action != noFiltersAction && action->text() == name)
            return action;
    return nullptr;
}

const QImage& HostWindow::shownImage() const
{
    return canvas_->picture();
}

bool HostWindow::openImage(const QString& path)
{
    if (worker != nullptr)
        return false;
    std::vector<std::string> warnings;
    auto image = std::make_shared<GreyImage>();
    try {
        *image = readGreyImage(QFile::encodeName(path).toStdString(), warnings);
    } catch (const std::exception& e) {
        showError(tr("Open"), QString::fromLocal8Bit(e.what()));
        return false;
    }
    openedPath = path;
    opened = image;
    undoStack.clear();
    showState({opened, nullptr}, false, false);
    setWindowTitle(tr("%1 - Kestrano Host").arg(QFileInfo(path).fileName()));
    QString message = tr("%1: %2 x %3").arg(path).arg(image->cols).arg(image->rows);
    for (const std::string& warning : warnings)
        message += QStringLiteral("; ") + QString::fromStdString(warning);
    statusBar()->showMessage(message);
    return true;
}

bool HostWindow::saveImage(const QString& path)
{
    try {
        writeGreyImage(QFile::encodeName(path).toStdString(), *current.image);
    } catch (const std::exception& e) {
        showError(tr("Save As"), QString::fromLocal8Bit(e.what()));
        return false;
    }
    statusBar()->showMessage(tr("Saved %1").arg(path));
    return true;
}

void HostWindow::chooseAndOpen()
{
    const QString path = QFileDialog::getOpenFileName(this, tr("Open Image"), QString(), imageFileTypes());
    if (!path.isEmpty())
        openImage(path);
}

void HostWindow::chooseAndSave()
{
    QString path = QFileDialog::getSaveFileName(this, tr("Save Image As"), QString(), imageFileTypes());
    if (path.isEmpty())
        return;
    if (QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".tif");
    saveImage(path);
}

void HostWindow::chooseAndExport()
{
    const QString folder = QFileDialog::getExistingDirectory(this, tr("Export Results Into"));
    if (folder.isEmpty())
        return;
    const QString stem = QFileInfo(openedPath).completeBaseName();
    bool overwrite = false;
    if (QDir(folder).exists(stem)) {
        overwrite = QMessageBox::question(this, tr("Export Results"),
                                          tr("%1 already holds results of %2. Replace them?").arg(folder, stem)) ==
                    QMessageBox::Yes;
        if (!overwrite)
            return;
    }
    exportResults(folder, overwrite);
}

void HostWindow::exportResults(const QString& folder, bool overwrite)
{
    if (worker != nullptr || current.run == nullptr || current.run->chained || openedPath.isEmpty())
        return;
    const std::string input = QFile::encodeName(openedPath).toStdString();
    const std::string dir = QFile::encodeName(folder).toStdString();
    const ParamList params = current.run->params;
    QThread* thread = runInBackground<ExportOutcome>(
        this, [input, params, dir, overwrite] { return kestrano::exportResults(input, params, dir, overwrite); },
        [this, folder](ExportOutcome outcome) {
            setBusy(QString(), nullptr);
            if (outcome.ok) {
                statusBar()->showMessage(tr("Results exported to %1; summary.csv and report.html in %2")
                                             .arg(QString::fromStdString(outcome.folder), folder));
            } else {
                showError(tr("Export Results"), QString::fromStdString(outcome.message));
            }
            emit exportFinished(outcome.ok);
        });
    setBusy(tr("Exporting results to %1...").arg(folder), thread);
}

void HostWindow::applyFilter(FilterInterface* filter, const QString& name, QObject* plugin)
{
    if (worker != nullptr || current.image->pixels.empty())
        return;
    const bool chained = chain->isChecked() && current.run != nullptr;
    std::shared_ptr<const GreyImage> input = chained ? current.image : opened;
    auto* settings = plugin != nullptr ? qobject_cast<FilterSettingsInterface*>(plugin) : nullptr;
    if (settings == nullptr)
        return applyInPlace(filter, name, input, chained);

    // The dialog is modal on this thread; the pipeline then runs on a worker
    // with the list it gave, on the input's own pixels (never changed).
    std::int32_t position[3] = {0, 0, 0};
    HostImage record = imageRecord(*input, position);
    ParamList params;
    try {
        params = settings->askParameters(&record);
    } catch (const std::exception& e) {
        showError(name, QString::fromLocal8Bit(e.what()));
        return;
    }
    QThread* thread = runInBackground<PipelineOutcome>(
        this,
        [input, params] {
            PipelineOutcome outcome;
            std::ostringstream log;
            try {
                RunOptions options;
                options.log = &log;
                outcome.run = kestrano::run(input->pixels.data(), input->rows, input->cols, params, options);
            } catch (const std::exception& e) {
                outcome.error = QString::fromLocal8Bit(e.what());
            } catch (...) {
                outcome.error = HostWindow::tr("The filter failed with an unknown error.");
            }
            outcome.log = log.str();
            return outcome;
        },
        [this, name, params, input, chained](PipelineOutcome outcome) {
            setBusy(QString(), nullptr);
            if (!outcome.error.isEmpty()) {
                std::cout << outcome.log << std::flush;
                showError(name, outcome.error);
                emit runFinished(false);
                return;
            }
            finishRun(name, params, input, chained, std::move(outcome.run), outcome.log);
            emit runFinished(true);
        });
    setBusy(tr("Running %1...").arg(name), thread);
}

// A plug-in without the settings interface shows its dialog and runs in one
// call, so it runs here; it works on a copy, so that a failure half-way
// leaves the shown image as it was.
void HostWindow::applyInPlace(FilterInterface* filter, const QString& name, std::shared_ptr<const GreyImage> input,
                              bool chained)
{
    const QString dataFolder = QDir::current().mkpath(QStringLiteral("data"))
                                   ? QDir::toNativeSeparators(QDir::current().absoluteFilePath(QStringLiteral("data")))
                                   : QString();
    auto result = std::make_shared<GreyImage>(*input);
    std::int32_t position[3] = {0, 0, 0};
    HostImage record = imageRecord(*result, position);
    record.voxels = result->pixels.data();
    busyBar->setVisible(true);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    QString error;
    try {
        filter->applyFilter(&record);
    } catch (const std::exception& e) {
        error = QString::fromLocal8Bit(e.what());
    } catch (...) {
        error = tr("The filter failed with an unknown error.");
    }
    QApplication::restoreOverrideCursor();
    busyBar->setVisible(false);
    if (!error.isEmpty()) {
        showError(name, error);
        emit runFinished(false);
        return;
    }
    auto run = std::make_shared<FilterRunRecord>();
    run->filter = name;
    run->input = input;
    run->chained = chained;
    run->dataFolder = dataFolder;
    showState({result, run}, true, true);
    statusBar()->showMessage(tr("%1 applied; data files, if any, in %2").arg(name, dataFolder));
    emit runFinished(true);
}

void HostWindow::finishRun(const QString& name, ParamList params, std::shared_ptr<const GreyImage> input, bool chained,
                           RunResult run, const std::string& log)
{
    // What the plug-in itself does: its lines on standard output, the data files in ./data.
    std::cout << log << std::flush;
    auto record = std::make_shared<FilterRunRecord>();
    record->filter = name;
    record->params = std::move(params);
    record->input = input;
    record->chained = chained;
    record->scale = input->pixelScale ? *input->pixelScale : PixelScale{};
    record->reportsSegments = run.stages.lineDetection;
    if (run.stages.lineDetection) {
        record->segments = segmentRows(run.lines, run.rows, run.cols, record->scale);
        record->dataFolder = writeDataFiles(run);
    }
    auto result = std::make_shared<GreyImage>(*input);  // keeps the input's resolution and pixel size
    result->pixels = std::move(run.image);
    showState({result, record}, true, true);

    const int count = int(record->segments.size());
    const QString found = count == 1 ? tr("1 segment") : tr("%1 segments").arg(count);
    QString message;
    if (!record->reportsSegments)
        message = tr("%1 applied without line detection").arg(name);
    else if (record->dataFolder.isEmpty())
        message = tr("%1: %2; ./data could not be created, so no data files were written").arg(name, found);
    else
        message = tr("%1: %2; data files in %3").arg(name, found, record->dataFolder);
    if (chained)
        message += tr(" (chained on the previous result)");
    statusBar()->showMessage(message);
}

void HostWindow::setBusy(const QString& what, QThread* thread)
{
    worker = thread;
    busyBar->setVisible(thread != nullptr);
    if (thread != nullptr)
        statusBar()->showMessage(what);
    updateActions();
}

void HostWindow::showState(State state, bool pushUndo, bool keepView)
{
    if (pushUndo && current.image != nullptr && !current.image->pixels.empty()) {
        undoStack.push_back(current);
        if (undoStack.size() > kUndoDepth)
            undoStack.erase(undoStack.begin());
    }
    current = std::move(state);
    const GreyImage& shownInput = current.run != nullptr ? *current.run->input : *current.image;
    inputPicture = displayOf(shownInput);
    resultPicture = current.run != nullptr ? displayOf(*current.image) : inputPicture;
    const QString unit = current.run != nullptr ? QString::fromStdString(current.run->scale.unit) : QStringLiteral("px");
    const std::vector<SegmentRow> none;
    const std::vector<SegmentRow>& rows = current.run != nullptr ? current.run->segments : none;
    segments->setSegments(rows, unit);
    // The physical length column repeats the pixel one when no pixel size is known.
    table->setColumnHidden(8, current.run == nullptr || !current.run->scale.known());
    plots->setSegments(rows, unit);
    canvas_->setSegments(current.run != nullptr ? &current.run->segments : nullptr);
    refreshPicture(keepView);
    updateActions();
}

void HostWindow::refreshPicture(bool keepView)
{
    const bool showOverlay = overlay->isChecked() && current.run != nullptr && current.run->reportsSegments;
    canvas_->setPicture(showOverlay ? inputPicture : resultPicture, keepView);
    canvas_->setSegmentsVisible(showOverlay);
}

void HostWindow::updateActions()
{
    const bool idle = worker == nullptr;
    const bool haveImage = !current.image->pixels.empty();
    for (QAction* action : filtersMenu->actions())
        if (action != noFiltersAction)
            action->setEnabled(idle && haveImage);
    saveAsAction->setEnabled(haveImage);
    undo->setEnabled(idle && !undoStack.empty());
    revert->setEnabled(idle && current.image != opened);
    exportResultsAction->setEnabled(idle && current.run != nullptr && current.run->reportsSegments &&
                                    !current.run->chained && !openedPath.isEmpty());
}

void HostWindow::showPixel(int column, int row)
{
    const GreyImage& result = *current.image;
    if (column < 0 || row < 0 || column >= result.cols || row >= result.rows) {
        pixelLabel->clear();
        return;
    }
    const std::size_t at = static_cast<std::size_t>(row) * result.cols + column;
    QString text = tr("x %1  y %2  value %3").arg(column).arg(row).arg(current.run != nullptr
                                                                           ? current.run->input->pixels[at]
                                                                           : result.pixels[at]);
    if (current.run != nullptr)
        text += tr("  result %1").arg(result.pixels[at]);
    pixelLabel->setText(text);
}

void HostWindow::selectSegmentRow(int index)
{
    if (index < 0) {
        table->clearSelection();
        return;
    }
    const QModelIndex row = sortedSegments->mapFromSource(segments->index(index, 0));
    table->selectRow(row.row());
    table->scrollTo(row);
}

void HostWindow::segmentRowSelected()
{
    const QModelIndexList rows = table->selectionModel()->selectedRows();
    canvas_->setHighlighted(rows.isEmpty() ? -1 : sortedSegments->mapToSource(rows.front()).row());
}

void HostWindow::showError(const QString& title, const QString& text)
{
    statusBar()->showMessage(text);
    reportError(title, text);
}
