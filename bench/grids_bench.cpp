// The grid windows on a large job, offscreen: the time from the command to the first
// painted screen, and from the top-left to the bottom-right of the grid, both in one jump
// (Ctrl+End) and page by page along the diagonal, every step painted.
//
//   QT_QPA_PLATFORM=offscreen grids_bench [DATABASE] [SAMPLES] [TAXA]
//   (defaults: TORVENII.mdb beside the program, 5000 samples, 1000 taxa)

#include <algorithm>
#include <chrono>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <unistd.h>

#include <QApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QScrollBar>
#include <QTabWidget>

#include "app/application.h"
#include "app/job.h"
#include "bench/large_workbook.h"
#include "app/job.h"
#include "ui/grids/grid_view.h"
#include "ui/grids/grid_windows.h"

namespace {

using bench_workbook::BenchUser;

// Wall-clock and processor time together: the machine may be shared, and the processor
// time is what the grid itself costs.
struct Stopwatch {
    std::chrono::steady_clock::time_point wall = std::chrono::steady_clock::now();
    std::clock_t cpu = std::clock();

    std::string text(int divisor = 1) const
    {
        const double wallMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - wall).count();
        const double cpuMs = 1000.0 * static_cast<double>(std::clock() - cpu) / CLOCKS_PER_SEC;
        char buffer[96];
        std::snprintf(buffer, sizeof buffer, "%.1f ms (processor %.1f ms)", wallMs / divisor, cpuMs / divisor);
        return buffer;
    }
};

// Counts the paint events of the grid's viewport, to be sure that a screen was painted.
class PaintCounter : public QObject {
public:
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

PaintCounter paintCounter;

// Lets the grid paint what it has to, as the event loop would between two user actions.
void paintNow(grids::GridView& view)
{
    view.viewport()->installEventFilter(&paintCounter);
    const int before = paintCounter.paints;
    QApplication::processEvents();
    if (paintCounter.paints == before) {
        view.viewport()->repaint();
        std::fprintf(stderr, "(no paint event: painted by hand)\n");
    }
}

// Opens the window as the main window does (a child window of the MDI area, shown,
// active) and paints its first screen.
std::string openAndPaint(QMdiArea& area, const std::function<grids::GridWindow*()>& make, grids::GridWindow*& window)
{
    const Stopwatch start;
    window = make();
    QMdiSubWindow* sub = area.addSubWindow(window);
    sub->resize(area.size());
    sub->show();
    area.setActiveSubWindow(sub);
    QApplication::processEvents();
    paintNow(*window->activeGrid());
    return start.text();
}

void scroll(grids::GridView& view, const char* name)
{
    QScrollBar& across = *view.horizontalScrollBar();
    QScrollBar& down = *view.verticalScrollBar();
    const Stopwatch jump;
    across.setValue(across.maximum());
    down.setValue(down.maximum());
    paintNow(view);
    std::printf("  %s: jump to bottom-right %s\n", name, jump.text().c_str());

    across.setValue(0);
    down.setValue(0);
    paintNow(view);
    const Stopwatch walk;
    int steps = 0;
    while (across.value() < across.maximum() || down.value() < down.maximum()) {
        across.setValue(across.value() + across.pageStep());
        down.setValue(down.value() + down.pageStep());
        paintNow(view);
        ++steps;
    }
    std::printf("  %s: page by page to bottom-right, %d screens: %s in all, %s a screen\n", name, steps,
                walk.text().c_str(), walk.text(std::max(1, steps)).c_str());
}

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen") : qgetenv("QT_QPA_PLATFORM"));
    const std::string self = std::filesystem::canonical("/proc/self/exe").parent_path().string();
    const std::string database = argc > 1 ? argv[1] : self + "/TORVENII.mdb";
    const int samples = argc > 2 ? std::atoi(argv[2]) : 5000;
    const int taxa = argc > 3 ? std::atoi(argv[3]) : 1000;
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / ("grids-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    const std::string input = (folder / "large.xlsx").string();
    if (!bench_workbook::write(input, bench_workbook::taxonCodes(database, taxa), samples))
        return 1;

    int qtArgc = 1;
    QApplication application(qtArgc, argv);
    BenchUser user;
    Application app(user);
    app.OpenReferenceData(database);
    Job job(&app, user);
    if (!job.OpenWorkbook(input) || !job.Analyse())
        return 1;
    std::filesystem::remove_all(folder);
    std::printf("job: %d samples x %d taxa, %d sites\n", job.samples.sampleCount, job.samples.taxonCount,
                static_cast<int>(job.sites.siteCodes.size()));

    QMdiArea area;
    area.resize(1280, 860);
    area.show();
    QApplication::processEvents();

    grids::GridWindow* data = nullptr;
    std::printf("data view:\n  open to first painted screen %s\n",
                openAndPaint(area, [&] { return new grids::DataWindow(job); }, data).c_str());
    scroll(*data->activeGrid(), "data view");

    grids::GridWindow* results = nullptr;
    std::printf("results window:\n  open to first painted screen %s\n",
                openAndPaint(area, [&] { return new grids::ResultsWindow(job); }, results).c_str());
    scroll(*results->activeGrid(), "Sample Summary");
    auto* resultsWindow = static_cast<grids::ResultsWindow*>(results);
    for (int i = 1; i < resultsWindow->sheets()->count(); ++i) {
        const Stopwatch shown;
        resultsWindow->sheets()->setCurrentIndex(i);
        const std::string name = resultsWindow->sheets()->tabText(i).toStdString();
        grids::GridView* grid = results->activeGrid();
        if (!grid) {
            // A chart sheet: no grid to scroll, only the picture to draw.
            resultsWindow->sheets()->currentWidget()->repaint();
            std::printf("  %s: chart shown %s\n", name.c_str(), shown.text().c_str());
            continue;
        }
        paintNow(*grid);
        std::printf("  %s: sheet shown %s\n", name.c_str(), shown.text().c_str());
        scroll(*grid, name.c_str());
    }
    area.closeAllSubWindows();
    return 0;
}
