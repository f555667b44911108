#include "plugin/filtro_plugin.h"

#include <algorithm>
#include <exception>

#include "core/image_size.h"
#include "core/run_settings.h"
#include "pipeline/run_pipeline.h"
#include "pipeline/stoi_conversion.h"
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
    // Every core, unless the host's own list pins the count with "threads"
    // (a count only: an unreadable or non-positive value means every core).
    RunOptions options;
    const auto pinned = image->parameters.find("threads");
    if (pinned != image->parameters.end()) {
        try {
            options.threads = std::max(stoiArgument(pinned->second), 0);
        } catch (const std::exception&) {
            options.threads = 0;
        }
    }
    // The driver works on its own copy: names it adds never reach params.
    runPipeline(image->voxels, size, params, options);
}

ParamList FiltroPlugin::collectParameters(const HostImage* image)
{
    ParamList list = startParamList(image->parameters, image->position);

    Dialog dialog(nullptr);
    dialog.exec();  // however it was closed, the run goes on

    addDialogValues(list, dialog.values());
    return list;
}
