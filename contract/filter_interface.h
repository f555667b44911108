#pragma once
// The host's filter interface: what a filter plug-in offers and how the host
// hands an image over. Shared by the plug-in and by our host application.
#include <QStringList>
#include <QtPlugin>

struct HostImage;

class FilterInterface {
public:
    virtual ~FilterInterface() = default;
    virtual QStringList filterNames() const = 0;
    virtual void applyFilter(HostImage* image) = 0;
};

#define KESTRANO_FILTER_INTERFACE_IID "org.kestrano.PlugAndPaint.FilterInterface/1.0"
Q_DECLARE_INTERFACE(FilterInterface, KESTRANO_FILTER_INTERFACE_IID)
