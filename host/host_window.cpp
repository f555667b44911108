#include "host/host_window.h"

#include <QAction>
#include <QDir>
#include <QFileDialog>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QStatusBar>
#include <cstdint>
#include <exception>
#include <string>
#include <vector>

#include "contract/filter_interface.h"
#include "contract/host_image.h"
#include "host/filter_loader.h"
#include "host/image_view.h"

using namespace kestrano;

namespace {

QString imageFileTypes()
{
    return HostWindow::tr("Images (*.tif *.tiff *.png *.pgm);;All files (*)");
}

}  // namespace

HostWindow::HostWindow(const QString& pluginFolder, QWidget* parent)
    : QMainWindow(parent), view(new ImageView(this))
{
    setWindowTitle(tr("Kestrano Host"));
    setCentralWidget(view);
    resize(800, 600);

    QMenu* fileMenu = menuBar()->addMenu(tr("&File"));
    fileMenu->addAction(tr("&Open..."), QKeySequence::Open, this, &HostWindow::chooseAndOpen);
    saveAsAction =
        fileMenu->addAction(tr("Save &As..."), QKeySequence::SaveAs, this, &HostWindow::chooseAndSave);
    saveAsAction->setEnabled(false);
    fileMenu->addSeparator();
    fileMenu->addAction(tr("&Quit"), QKeySequence::Quit, this, &QWidget::close);

    filtersMenu = menuBar()->addMenu(tr("F&ilters"));
    QStringList problems;
    for (const FilterEntry& entry : loadFilters(pluginFolder, problems))
        addFilter(entry.filter, entry.name);
    for (const QString& problem : problems)
        qWarning("Skipped plug-in %s", qPrintable(problem));
    if (filtersMenu->isEmpty()) {
        noFiltersAction = filtersMenu->addAction(tr("No filters in %1").arg(pluginFolder));
        noFiltersAction->setEnabled(false);
    }
    statusBar()->showMessage(tr("Plug-ins from %1").arg(QDir::toNativeSeparators(pluginFolder)));
}

void HostWindow::addFilter(FilterInterface* filter, const QString& name)
{
    if (noFiltersAction != nullptr) {
        filtersMenu->removeAction(noFiltersAction);
        delete noFiltersAction;
        noFiltersAction = nullptr;
    }
    QAction* action = filtersMenu->addAction(name, this, [this, filter, name] {
        applyFilter(filter, name);
    });
    action->setEnabled(!current.pixels.empty());
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
    return view->shownImage();
}

bool HostWindow::openImage(const QString& path)
{
    std::vector<std::string> warnings;
    GreyImage image;
    try {
        image = readGreyImage(QFile::encodeName(path).toStdString(), warnings);
    } catch (const std::exception& e) {
        showError(tr("Open"), QString::fromLocal8Bit(e.what()));
        return false;
    }
    showImage(image);
    setWindowTitle(tr("%1 - Kestrano Host").arg(QFileInfo(path).fileName()));
    QString message = tr("%1: %2 x %3").arg(path).arg(image.cols).arg(image.rows);
    for (const std::string& warning : warnings)
        message += QStringLiteral("; ") + QString::fromStdString(warning);
    statusBar()->showMessage(message);
    return true;
}

bool HostWindow::saveImage(const QString& path)
{
    try {
        writeGreyImage(QFile::encodeName(path).toStdString(), current);
    } catch (const std::exception& e) {
        showError(tr("Save As"), QString::fromLocal8Bit(e.what()));
        return false;
    }
    statusBar()->showMessage(tr("Saved %1").arg(path));
    return true;
}

void HostWindow::chooseAndOpen()
{
    const QString path = QFileDialog::getOpenFileName(this, tr("Open Image"), QString(),
                                                      imageFileTypes());
    if (!path.isEmpty())
        openImage(path);
}

void HostWindow::chooseAndSave()
{
    QString path = QFileDialog::getSaveFileName(this, tr("Save Image As"), QString(),
                                                imageFileTypes());
    if (path.isEmpty())
        return;
    if (QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".tif");
    saveImage(path);
}

void HostWindow::applyFilter(FilterInterface* filter, const QString& name)
{
    // The filter writes its data files into ./data of the working directory
    // and never creates that folder itself.
    const QString dataFolder = QDir::toNativeSeparators(QDir::current().absoluteFilePath("data"));
    const bool haveDataFolder = QDir::current().mkpath(QStringLiteral("data"));

    // The filter works on a copy, so a failure half-way leaves the shown
    // image as it was.
    GreyImage result = current;
    std::int32_t position[3] = {0, 0, 0};
    HostImage record;
    record.rows = result.rows;
    record.cols = result.cols;
    record.depth = 1;
    record.position = position;
    record.voxels = result.pixels.data();
    try {
        filter->applyFilter(&record);
    } catch (const std::exception& e) {
        showError(name, QString::fromLocal8Bit(e.what()));
        return;
    } catch (...) {
        showError(name, tr("The filter failed with an unknown error."));
        return;
    }
    showImage(result);
    statusBar()->showMessage(haveDataFolder
                                 ? tr("%1 applied; its data files are in %2").arg(name, dataFolder)
                                 : tr("%1 applied; %2 could not be created, so no data files were "
                                      "written").arg(name, dataFolder));
}

void HostWindow::showImage(const GreyImage& image)
{
    current = image;
    view->setImage(current);
    saveAsAction->setEnabled(true);
    for (QAction* action : filtersMenu->actions())
        if (action != noFiltersAction)
            action->setEnabled(true);
}

void HostWindow::showError(const QString& title, const QString& text)
{
    QMessageBox::critical(this, title, text);
    statusBar()->showMessage(text);
}
