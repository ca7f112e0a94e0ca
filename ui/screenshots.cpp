// torven-screenshots: starts the desktop program as `torven` does, walks the road of one
// job on the bundled river example and writes the manual's pictures (and the chart of the
// lake example beside it).
//
//   torven-screenshots [FOLDER] [WORKBOOK]
//   (defaults: docs/images of the source tree, data/examples/river.xlsx)
//   torven-screenshots --screen FOLDER [WORKBOOK]
//   the windows as they first open on the screen it runs on (a small one, a large scale
//   factor), main window and all, to be looked at rather than printed in the manual
//
// Each picture is one function in kShots, taken in the order listed; a function may leave
// the program in the state the next one needs (the job form open, the job analysed). To
// add a window, add a function and a line to kShots at the point of the road where the
// window can be opened.
#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QListWidget>
#include <QEventLoop>
#include <QImage>
#include <QKeyEvent>
#include <QPen>
#include <QScreen>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfDocument>
#include <QPixmap>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <functional>

#include "app/job.h"
#include "ui/chart/widget/site_chart_view.h"
#include "refdb/jet/csv_table.h"
#include "refdb/jet/writer.h"
#include "ui/about_dialog.h"
#include "ui/help_command.h"
#include "ui/reference_database_dialog.h"
#include "ui/grids/grid_windows.h"
#include "ui/grids/list_views.h"
#include "ui/sheet_preview_grid.h"
#include "ui/job_form.h"
#include "ui/job_frame.h"
#include "ui/main_window.h"
#include "ui/startup.h"
#include "ui/worksheet_select_dialog.h"

namespace {

struct Road {
    DesktopProgram& program;
    QString workbook;
    JobFrame* job = nullptr;
};

// Runs open(), which shows a modal dialog and waits for it; once the dialog is up, takes
// its picture and hands it to finish(), which must close it.
QPixmap grabModal(const std::function<void()>& open, const std::function<void(QDialog*)>& finish)
{
    QPixmap picture;
    auto* poll = new QTimer;
    poll->setInterval(50);
    QObject::connect(poll, &QTimer::timeout, [&picture, poll, &finish] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible())
            return;
        poll->stop();
        QApplication::processEvents();
        picture = dialog->grab();
        finish(dialog);
    });
    poll->start();
    open();
    delete poll;
    return picture;
}

QPixmap shootSplash(Road& road)
{
    return road.program.splash ? road.program.splash->grab() : SplashWindow::renderPicture();
}

// The import of the example with its worksheet dialog, answered with the guessed row and
// the rivers; leaves the job form open.
QPixmap shootWorksheetDialog(Road& road)
{
    delete road.program.splash.data();  // the splash would keep the main window disabled
    MainWindow& mainWindow = *road.program.mainWindow;
    return grabModal([&] { road.job = mainWindow.openWorkbook(road.workbook); },
                     [](QDialog* dialog) {
                         if (auto* select = qobject_cast<WorksheetSelectDialog*>(dialog))
                             select->okButton()->click();
                         else
                             dialog->reject();
                     });
}

// The main window with the job form after Analyse.
QPixmap shootMainWindow(Road& road)
{
    if (!road.job)
        return {};
    road.job->form()->analyse();
    road.job->move(12, 12);
    QApplication::processEvents();
    return road.program.mainWindow->grab();
}

QPixmap shootDefaultValues(Road& road)
{
    if (!road.job)
        return {};
    return grabModal([&] { road.job->form()->changeDefaults(); }, [](QDialog* dialog) { dialog->reject(); });
}

QPixmap shootUnmatchedTaxa(Road& road)
{
    if (!road.job)
        return {};
    return grabModal([&] { road.job->form()->showUnmatchedTaxa(); },
                     [](QDialog* dialog) { dialog->reject(); });
}

QPixmap shootAbout(Road& road)
{
    return grabModal([&] { road.program.mainWindow->showAbout(); }, [](QDialog* dialog) { dialog->accept(); });
}

// A grid window as the user sees it: its child window at a readable size, alone in front.
QPixmap grabChild(QMdiSubWindow* window, QSize size = QSize(900, 480))
{
    if (!window)
        return {};
    window->resize(size);
    window->move(0, 0);
    window->raise();
    QApplication::processEvents();
    return window->grab();
}

// The data view after Analyse, scrolled so that the first unscored taxon is in view.
QPixmap shootDataView(Road& road)
{
    if (!road.job)
        return {};
    road.job->form()->viewDataButton()->click();
    QMdiSubWindow* window = road.job->dataWindow;
    auto* data = window ? qobject_cast<grids::DataWindow*>(window->widget()) : nullptr;
    if (!data)
        return {};
    const Job& job = road.job->job();
    for (std::size_t t = 0; t < job.analysis.scoredRow1.size(); ++t)
        if (job.analysis.scoredRow1[t] < 0) {
            QAbstractItemModel* model = data->view()->model();
            data->view()->scrollTo(model->index(job.samples.headerRowCount + static_cast<int>(t), 2),
                                   QAbstractItemView::PositionAtCenter);
            break;
        }
    return grabChild(window);
}

grids::ResultsWindow* openResults(Road& road)
{
    if (!road.job)
        return nullptr;
    road.job->form()->viewResultsButton()->click();
    QMdiSubWindow* window = road.job->resultsWindow;
    return window ? qobject_cast<grids::ResultsWindow*>(window->widget()) : nullptr;
}

QPixmap shootResultsSamples(Road& road)
{
    grids::ResultsWindow* results = openResults(road);
    if (!results)
        return {};
    results->sheets()->setCurrentIndex(0);
    return grabChild(road.job->resultsWindow);
}

QPixmap shootResultsSite(Road& road)
{
    grids::ResultsWindow* results = openResults(road);
    if (!results || results->sheets()->count() < 2)
        return {};
    results->sheets()->setCurrentIndex(1);
    QPixmap picture = grabChild(road.job->resultsWindow);
    results->sheets()->setCurrentIndex(0);
    return picture;
}

// The results window on the chart of its first site table, sized so that the whole chart
// shows without scrolling; the window goes back to its first sheet afterwards.
QPixmap grabFirstChart(JobFrame* frame)
{
    QMdiSubWindow* window = frame ? frame->resultsWindow.data() : nullptr;
    auto* results = window ? qobject_cast<grids::ResultsWindow*>(window->widget()) : nullptr;
    if (!results)
        return {};
    for (int i = 0; i < results->sheets()->count() && !results->activeChart(); ++i)
        results->sheets()->setCurrentIndex(i);
    chart::SiteChartView* view = results->activeChart();
    if (!view)
        return {};
    grabChild(window);
    // Wide enough for every sheet tab too, so that the picture shows where the charts are.
    const QSize around = window->size() - view->viewport()->size();
    QSize size = view->chart().size() + around + QSize(2, 2);
    size.setWidth(std::max(size.width(), results->sheets()->tabBar()->sizeHint().width() + around.width() + 8));
    QPixmap picture = grabChild(window, size);
    results->sheets()->setCurrentIndex(0);
    return picture;
}

QPixmap shootChartRiver(Road& road)
{
    if (!openResults(road))
        return {};
    return grabFirstChart(road.job);
}

// The bundled lake example beside the river one, opened as the lake family, analysed and
// its results window opened; its job is closed once the picture is taken.
QPixmap shootChartLake(Road& road)
{
    const QString lake = QFileInfo(road.workbook).dir().filePath(QStringLiteral("lake.xlsx"));
    JobFrame* frame = nullptr;
    grabModal([&] { frame = road.program.mainWindow->openWorkbook(lake); },
              [](QDialog* dialog) {
                  if (auto* select = qobject_cast<WorksheetSelectDialog*>(dialog)) {
                      select->familyButton(familyLakes)->setChecked(true);
                      select->okButton()->click();
                  } else {
                      dialog->reject();
                  }
              });
    if (!frame)
        return {};
    frame->form()->analyse();
    frame->form()->viewResultsButton()->click();
    QPixmap picture = grabFirstChart(frame);
    frame->closeWithoutAsking();
    QApplication::processEvents();
    return picture;
}

// Page 1 of the Sample Summary sheet as File > Print puts it on A4 paper, drawn from the
// PDF the printout makes.
QPixmap shootPrintedPage(Road& road)
{
    grids::ResultsWindow* results = openResults(road);
    QTemporaryDir folder;
    if (!results || !folder.isValid())
        return {};
    const QString path = folder.filePath(QStringLiteral("page.pdf"));
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
    printer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape, QMarginsF(12, 12, 12, 12),
                                      QPageLayout::Millimeter));
    results->printTo(printer);
    QPdfDocument document;
    if (document.load(path) != QPdfDocument::Error::None || document.pageCount() < 1)
        return {};
    const QSizeF points = document.pagePointSize(0);
    const double scale = 1000.0 / points.width();  // 1000 pixels wide
    QImage page = document.render(0, (points * scale).toSize());
    QImage paper(page.size(), QImage::Format_RGB32);
    paper.fill(Qt::white);
    QPainter painter(&paper);
    painter.drawImage(0, 0, page);
    painter.setPen(Qt::gray);
    painter.drawRect(paper.rect().adjusted(0, 0, -1, -1));
    painter.end();
    return QPixmap::fromImage(paper);
}

QPixmap shootMasterTaxonList(Road& road)
{
    MainWindow& mainWindow = *road.program.mainWindow;
    mainWindow.taxonListAction()->trigger();
    return grabChild(mainWindow.mdiArea()->currentSubWindow());
}

// The main window at 1400 by 900 pixels as it is used: the job form, with its data view and
// results window opened where they open, beside it.
QPixmap shootMainWindowAtWork(Road& road)
{
    if (!road.job)
        return {};
    MainWindow& mainWindow = *road.program.mainWindow;
    for (QMdiSubWindow* window : mainWindow.mdiArea()->subWindowList())
        if (window != road.job)
            window->close();
    // The closed windows go, so that View Data and View Results open new ones.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    mainWindow.resize(1400, 900);
    QApplication::processEvents();
    road.job->move(0, 0);
    road.job->form()->viewDataButton()->click();
    road.job->form()->viewResultsButton()->click();
    QApplication::processEvents();
    return mainWindow.grab();
}

// The Reference database window as a data owner's draft shows it: the bundled tables with a
// score out of range, a code given twice and boundaries out of order planted.
QPixmap shootReferenceDatabase(Road& road)
{
    const QString source = QStringLiteral(TORVEN_SOURCE_DIR "/data/refdb/");
    const auto read = [&source](const char* name) {
        QFile file(source + QLatin1String(name) + QStringLiteral(".csv"));
        return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string();
    };
    std::string taxa = read("NBSMasterTaxonList_PhaseII");
    std::string boundaries = read("Boundaries");
    const std::string scored = "Achnanthidium minutissimum,3,4,";
    const std::string doubled = "\nNBNSYS9000019999,ac002a,Achnanthidium minutissimum,3,4,3,3,2,false,false,false,false\n";
    const std::string ordered = "TDI3,,36.5,0.8,0.6,0.4,0.2";
    if (taxa.find(scored) == std::string::npos || boundaries.find(ordered) == std::string::npos)
        return {};
    taxa.replace(taxa.find(scored), scored.size(), "Achnanthidium minutissimum,3,7.5,");
    taxa += doubled.substr(taxa.back() == '\n' ? 1 : 0);
    boundaries.replace(boundaries.find(ordered), ordered.size(), "TDI3,,36.5,0.8,0.6,0.65,0.2");
    std::vector<refdb::TableSpec> tables;
    std::string error;
    for (const auto& [name, text] : std::vector<std::pair<std::string, std::string>>{
             {"NBSMasterTaxonList_PhaseII", taxa}, {"Boundaries", boundaries}, {"CoC", read("CoC")}}) {
        refdb::TableSpec table(name);
        if (!refdb::parseCsvTable(text, name + ".csv", table, error))
            return {};
        tables.push_back(std::move(table));
    }
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("draft-2027.mdb"));
    if (!refdb::writeAccessFile(tables, path.toStdString(), refdb::JetFormat::jet4, error))
        return {};
    MainWindow& mainWindow = *road.program.mainWindow;
    if (!mainWindow.useReferenceDatabase(path))
        return {};
    QApplication::processEvents();
    auto* window = mainWindow.findChild<ReferenceDatabaseDialog*>();
    if (!window)
        return {};
    window->resize(1120, 360);
    QApplication::processEvents();
    const QPixmap picture = window->grab();
    window->close();
    return picture;
}

// ---- The first views on the screen the program runs on ----------------------------------

// The whole main window as it stands, with whatever is open in it.
QPixmap grabMainWindow(Road& road)
{
    QApplication::processEvents();
    return road.program.mainWindow->grab();
}

// The job form, analysed, with its data view and results window where they open.
QPixmap shootScreenAtWork(Road& road)
{
    if (!road.job)
        return {};
    road.job->form()->analyse();
    road.job->form()->viewDataButton()->click();
    road.job->form()->viewResultsButton()->click();
    return grabMainWindow(road);
}

// The results window on its first chart tab, as placed.
QPixmap shootScreenChart(Road& road)
{
    QMdiSubWindow* window = road.job ? road.job->resultsWindow.data() : nullptr;
    auto* results = window ? qobject_cast<grids::ResultsWindow*>(window->widget()) : nullptr;
    if (!results)
        return {};
    for (int i = 0; i < results->sheets()->count() && !results->activeChart(); ++i)
        results->sheets()->setCurrentIndex(i);
    QPixmap picture = grabMainWindow(road);
    results->sheets()->setCurrentIndex(0);
    return picture;
}

QPixmap shootScreenUnmatched(Road& road)
{
    if (!road.job)
        return {};
    return grabModal([&] { road.job->form()->showUnmatchedTaxa(); }, [](QDialog* dialog) { dialog->reject(); });
}

// The help window as F1 opens it in the Unmatched taxa window, drawn on a picture of the
// screen's size where it stands, so that one sees whether it is on the screen.
QPixmap shootScreenHelp(Road& road)
{
    if (!road.job)
        return {};
    QPixmap picture;
    grabModal([&] { road.job->form()->showUnmatchedTaxa(); },
              [&picture](QDialog* dialog) {
                  QKeyEvent press(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier);
                  QApplication::sendEvent(dialog, &press);
                  QApplication::processEvents();
                  QWidget* help = nullptr;
                  for (QWidget* window : QApplication::topLevelWidgets())
                      if (window->isVisible() && window->windowTitle() == QStringLiteral("TORVEN II Help"))
                          help = window;
                  for (QWidget* window : dialog->findChildren<QWidget*>())
                      if (window->isWindow() && window->isVisible() &&
                          window->windowTitle() == QStringLiteral("TORVEN II Help"))
                          help = window;
                  if (help) {
                      // The pages are drawn on a thread of their own: give them a moment.
                      QEventLoop drawing;
                      QTimer::singleShot(1500, &drawing, &QEventLoop::quit);
                      drawing.exec();
                      const QRect screen = help->screen()->geometry();
                      QPixmap whole(screen.size());
                      whole.fill(Qt::darkGray);
                      QPainter painter(&whole);
                      painter.drawPixmap(help->geometry().topLeft() - screen.topLeft(), help->grab());
                      painter.setPen(QPen(Qt::red, 2));
                      painter.drawRect(help->frameGeometry().translated(-screen.topLeft()));
                      painter.end();
                      picture = whole;
                      std::printf("help window %d,%d %dx%d (frame %d,%d %dx%d) on a screen of %dx%d\n",
                                  help->geometry().x(), help->geometry().y(), help->width(), help->height(),
                                  help->frameGeometry().x(), help->frameGeometry().y(),
                                  help->frameGeometry().width(), help->frameGeometry().height(), screen.width(),
                                  screen.height());
                      help->close();
                  }
                  dialog->reject();
              });
    return picture;
}

struct Shot {
    const char* file;
    QPixmap (*take)(Road&);
};

const Shot kScreenShots[] = {
    {"screen-worksheet-dialog.png", shootWorksheetDialog},
    {"screen-at-work.png", shootScreenAtWork},
    {"screen-chart.png", shootScreenChart},
    {"screen-unmatched-taxa.png", shootScreenUnmatched},
    {"screen-help.png", shootScreenHelp},
};

const Shot kShots[] = {
    {"splash.png", shootSplash},
    {"worksheet-dialog.png", shootWorksheetDialog},
    {"main-window.png", shootMainWindow},
    {"data-view.png", shootDataView},
    {"results-samples.png", shootResultsSamples},
    {"results-site.png", shootResultsSite},
    {"chart-river.png", shootChartRiver},
    {"chart-lake.png", shootChartLake},
    {"printed-page.png", shootPrintedPage},
    {"master-taxon-list.png", shootMasterTaxonList},
    {"main-window-at-work.png", shootMainWindowAtWork},
    {"default-values.png", shootDefaultValues},
    {"unmatched-taxa.png", shootUnmatchedTaxa},
    {"about.png", shootAbout},
    {"reference-database.png", shootReferenceDatabase},
};

}  // namespace

int main(int argc, char** argv)
{
    // The program's settings (recent files, window places) of a screenshot run stay out
    // of the user's own.
    QTemporaryDir settingsHome;
    qputenv("XDG_CONFIG_HOME", settingsHome.path().toLocal8Bit());
    QApplication application(argc, argv);
    QStringList args = QCoreApplication::arguments().mid(1);
    const bool screen = !args.isEmpty() && args.first() == QStringLiteral("--screen");
    if (screen)
        args.removeFirst();
    const QString folder = !args.isEmpty() ? args.value(0) : QStringLiteral(TORVEN_SOURCE_DIR "/docs/images");
    const QString workbook =
        args.size() > 1 ? args.value(1) : QStringLiteral(TORVEN_SOURCE_DIR "/data/examples/river.xlsx");
    QDir().mkpath(folder);

    StartOptions options;
    options.splashMilliseconds = 600000;  // closed by the walk, not by time
    std::unique_ptr<DesktopProgram> program = StartDesktopProgram(options);
    // The manual's pictures at one size; the screen's first views as the program opens.
    if (!screen)
        program->mainWindow->resize(1000, 700);
    // The help at a section is the program's own window, whatever the desktop has.
    program->help->setExternalViewer([](const QString&) { return false; });
    QApplication::processEvents();

    Road road{*program, workbook};
    int failures = 0;
    const Shot* first = screen ? std::begin(kScreenShots) : std::begin(kShots);
    const Shot* last = screen ? std::end(kScreenShots) : std::end(kShots);
    for (const Shot* at = first; at != last; ++at) {
        const Shot& shot = *at;
        const QPixmap picture = shot.take(road);
        const QString path = folder + QLatin1Char('/') + QLatin1String(shot.file);
        if (picture.isNull() || !picture.save(path)) {
            std::fprintf(stderr, "torven-screenshots: could not take %s\n", shot.file);
            ++failures;
            continue;
        }
        std::printf("%s\n", qPrintable(path));
    }
    // The job is analysed and unsaved: leave without the save question.
    for (JobFrame* frame : program->mainWindow->jobFrames())
        frame->closeWithoutAsking();
    return failures == 0 ? 0 : 1;
}
