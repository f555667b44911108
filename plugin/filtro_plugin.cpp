#include "plugin/filtro_plugin.h"

#include "core/image_size.h"
#include "core/run_settings.h"
#include "pipeline/run_pipeline.h"
#include "plugin/dialog.h"

using namespace kestrano;

FiltroPlugin::~FiltroPlugin() = default;

QStringList FiltroPlugin::filterNames() const
{
    return QStringList{tr("Kestrano Full")};
}

void FiltroPlugin::applyFilter(HostImage* image)
{
    cols = image->cols;
    rows = image->rows;
    depth = image->depth;
    position = image->position;
    auxPointer = image->auxPointer;

    const ParamList params = collectParameters(image);
    ImageSize size{rows, cols};
    // The driver works on its own copy: names it adds never reach params.
    runPipeline(image->voxels, size, params);
}

ParamList FiltroPlugin::collectParameters(const HostImage* image)
{
    ParamList list = startParamList(image->parameters, image->position);

    Dialog dialog(nullptr);
    dialog.exec();  // however it was closed, the run goes on

    addDialogValues(list, dialog.values());
    return list;
}
