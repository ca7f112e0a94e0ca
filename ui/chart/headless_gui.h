#pragma once

#include <memory>

class QGuiApplication;

namespace chart {

// The Qt GUI application a command-line program needs before it can draw a chart: made
// on the offscreen platform (unless the environment names another), so that no display is
// needed, and with Qt's own diagnostics kept off standard error while it lives. Does
// nothing when a GUI application already exists.
class HeadlessGui {
public:
    HeadlessGui();
    ~HeadlessGui();
    HeadlessGui(const HeadlessGui&) = delete;
    HeadlessGui& operator=(const HeadlessGui&) = delete;

private:
    std::unique_ptr<QGuiApplication> app_;
};

}  // namespace chart
