#pragma once
// The plug-in object the host loads: offers the "Kestrano Full" filter and runs
// it on the host's image in place. It is never shown as a window.
#include <QMainWindow>
#include <QStringList>
#include <cstdint>

#include "contract/filter_interface.h"
#include "contract/filter_settings.h"
#include "contract/host_image.h"
#include "core/param_list.h"

class FiltroPlugin : public QMainWindow, public FilterInterface, public FilterSettingsInterface {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID KESTRANO_FILTER_INTERFACE_IID FILE "kestrano_full.json")
    Q_INTERFACES(FilterInterface FilterSettingsInterface)

public:
    FiltroPlugin() = default;
    ~FiltroPlugin() override;

    QStringList filterNames() const override;

    // Shows the parameter dialog, then runs the pipeline over image->voxels.
    // Exceptions from the pipeline reach the caller.
    void applyFilter(HostImage* image) override;

    // The host's own list, the position and the dialog's values; an entry
    // already present is never replaced.
    kestrano::ParamList collectParameters(const HostImage* image);

    // The dialog alone, for a host that runs the pipeline off its interface thread.
    kestrano::ParamList askParameters(const HostImage* image) override { return collectParameters(image); }

private:
    std::int32_t cols = 0;
    std::int32_t rows = 0;
    std::int32_t depth = 0;
    std::int32_t* position = nullptr;
    void* auxPointer = nullptr;
};
