#pragma once
// Drawing text needs a QGuiApplication. A program without windows (the
// command-line tool) makes one on the offscreen platform, so it runs on a
// machine without a display. Create it on the main thread before any drawing;
// it does nothing when the process already has an application object. Throws
// std::runtime_error when the threads Qt draws with cannot be started.
#include <memory>

class QGuiApplication;

namespace kestrano {

class OffscreenGui {
public:
    OffscreenGui();
    ~OffscreenGui();
    OffscreenGui(const OffscreenGui&) = delete;
    OffscreenGui& operator=(const OffscreenGui&) = delete;

private:
    int argc_ = 3;
    char* argv_[4];
    std::unique_ptr<QGuiApplication> app_;
};

}  // namespace kestrano
