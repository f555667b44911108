#pragma once
// An optional second interface of a filter plug-in. The host asks for a run's
// parameters on the interface thread, where the plug-in shows its modal
// dialog, then runs the pipeline with that list on a worker thread, so that
// its window stays responsive. A plug-in without it is applied through
// FilterInterface::applyFilter, which shows the dialog and runs in one call.
#include <QtPlugin>

#include "core/param_list.h"

struct HostImage;

class FilterSettingsInterface {
public:
    virtual ~FilterSettingsInterface() = default;
    // Shows the dialog for `image` and returns the list applyFilter would run with.
    virtual kestrano::ParamList askParameters(const HostImage* image) = 0;
};

#define KESTRANO_FILTER_SETTINGS_IID "org.kestrano.PlugAndPaint.FilterSettingsInterface/1.0"
Q_DECLARE_INTERFACE(FilterSettingsInterface, KESTRANO_FILTER_SETTINGS_IID)
