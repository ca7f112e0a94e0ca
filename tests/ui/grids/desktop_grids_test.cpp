#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfDocument>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QAbstractSlider>
#include <QHeaderView>
#include <QWheelEvent>
#include <QAbstractScrollArea>
#include <QAbstractItemView>
#include <QStyle>
#include <QtTest>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <thread>

#include "app/application.h"
#include "app/job.h"
#include "tests/ui/ui_test_support.h"
#include "ui/chart/chart_export.h"
#include "ui/chart/site_chart.h"
#include "ui/chart/widget/site_chart_view.h"
#include "ui/grids/grid_model.h"
#include "ui/grids/grid_print.h"
#include "ui/grids/grid_window_factory.h"
#include "ui/grids/grid_windows.h"
#include "ui/grids/list_views.h"
#include "ui/help_command.h"
#include "ui/help_window.h"
#include "ui/job_form.h"
#include "ui/job_frame.h"
#include "ui/long_work.h"
#include "ui/main_window.h"
#include "ui/unmatched_taxa_dialog.h"
#include "ui/worksheet_select_dialog.h"
#include "taxa/taxa.h"
#include "matrix/matrix.h"
#include "metrics/index_values.h"
#include "tests/support/lab_copies.h"
#include "tests/support/temp_dir.h"
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QSpinBox>
#include <QVBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QTableWidget>

namespace {

const QString kRiver = QStringLiteral(TORVEN_EXAMPLES_DIR "/river.xlsx");
const QString kLake = QStringLiteral(TORVEN_EXAMPLES_DIR "/lake.xlsx");

// The desktop program without the splash, with the grid windows installed.
struct Program {
    TestUser user;
    Application app{user};
    HelpCommand help;
    MainWindow window{app, user, help};

    explicit Program(const QString& helpPath = QStringLiteral("/nonexistent/TORVENII.pdf")) : help(helpPath, user)
    {
        app.OpenReferenceData(TORVEN_DATABASE);
        user.setParentWidget(&window);
        help.setExternalViewer([](const QString&) { return false; });
        window.setGridWindows(grids::MakeGridWindows());
        window.resize(1100, 750);
        window.show();
    }

    int windowCount() const { return static_cast<int>(window.mdiArea()->subWindowList().size()); }
};

JobFrame* openRiver(Program& program)
{
    ModalScript script;
    script.expect([](QDialog* dialog) {
        auto* select = qobject_cast<WorksheetSelectDialog*>(dialog);
        QVERIFY(select);
        select->okButton()->click();
    });
    return program.window.openWorkbook(kRiver);
}

JobFrame* openLake(Program& program)
{
    ModalScript script;
    script.expect([](QDialog* dialog) {
        auto* select = qobject_cast<WorksheetSelectDialog*>(dialog);
        QVERIFY(select);
        select->familyButton(familyLakes)->setChecked(true);
        select->okButton()->click();
    });
    return program.window.openWorkbook(kLake);
}

// The results window of a job opened by open, analysed, as "View Results" opens it.
grids::ResultsWindow* analysedResults(Program& program, JobFrame* (*open)(Program&))
{
    JobFrame* frame = open(program);
    if (!frame)
        return nullptr;
    frame->form()->analyse();
    frame->form()->viewResultsButton()->click();
    return frame->resultsWindow ? qobject_cast<grids::ResultsWindow*>(frame->resultsWindow->widget()) : nullptr;
}

QStringList tabNames(const QTabWidget& sheets)
{
    QStringList names;
    for (int i = 0; i < sheets.count(); ++i)
        names << sheets.tabText(i);
    return names;
}

bool nearColour(const QColor& found, const QColor& expected)
{
    return std::abs(found.red() - expected.red()) <= 2 && std::abs(found.green() - expected.green()) <= 2 &&
           std::abs(found.blue() - expected.blue()) <= 2;
}

grids::GridWindow* gridWindow(QMdiSubWindow* window)
{
    return window ? qobject_cast<grids::GridWindow*>(window->widget()) : nullptr;
}


// Every input a person can give a window, sent to it and to each of its parts: the wheel
// both ways and sideways over every scrolling part and header, keys to the focused part,
// clicks, double-clicks and drags on cells and headers, and sizes from tiny to huge.
// Escape is left to the caller, since it closes a dialog.
void wheelOver(QWidget* widget)
{
    const QPointF at(widget->width() / 2.0, widget->height() / 2.0);
    for (const QPoint delta : {QPoint(0, -120), QPoint(0, 120), QPoint(-120, 0), QPoint(120, 0), QPoint(0, -1200),
                               QPoint(0, 1200)}) {
        QWheelEvent wheel(at, widget->mapToGlobal(at), QPoint(), delta, Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(widget, &wheel);
    }
}

void mouseOver(QWidget* widget)
{
    const QPoint near(std::min(widget->width() - 1, 20), std::min(widget->height() - 1, 10));
    const QPoint middle(widget->width() / 2, widget->height() / 2);
    QTest::mouseClick(widget, Qt::LeftButton, Qt::NoModifier, near);
    QTest::mouseClick(widget, Qt::LeftButton, Qt::ShiftModifier, middle);
    QTest::mouseDClick(widget, Qt::LeftButton, Qt::NoModifier, middle);
    QTest::mousePress(widget, Qt::LeftButton, Qt::NoModifier, near);
    QTest::mouseMove(widget, middle);
    QTest::mouseMove(widget, QPoint(widget->width() + 40, widget->height() + 40));
    QTest::mouseRelease(widget, Qt::LeftButton, Qt::NoModifier, middle);
    QTest::mouseClick(widget, Qt::RightButton, Qt::NoModifier, middle);
}

void keysTo(QWidget* widget)
{
    for (const int key : {Qt::Key_Down, Qt::Key_Right, Qt::Key_PageDown, Qt::Key_End, Qt::Key_Up, Qt::Key_Left,
                          Qt::Key_PageUp, Qt::Key_Home, Qt::Key_Tab, Qt::Key_Backtab})
        QTest::keyClick(widget, static_cast<Qt::Key>(key));
    QTest::keyClick(widget, Qt::Key_End, Qt::ControlModifier);
    QTest::keyClick(widget, Qt::Key_Home, Qt::ControlModifier);
    QTest::keyClick(widget, Qt::Key_Down, Qt::ShiftModifier);
    QTest::keyClick(widget, Qt::Key_C, Qt::ControlModifier);
}

// What a combo or spin box holds: the value the user chose.
QString boxValue(QWidget* box)
{
    if (auto* combo = qobject_cast<QComboBox*>(box))
        return QString::number(combo->currentIndex()) + QLatin1Char(' ') + combo->currentText();
    if (auto* spin = qobject_cast<QAbstractSpinBox*>(box))
        return spin->text();
    return QString();
}

QList<QWidget*> choiceBoxes(QWidget* window)
{
    QList<QWidget*> boxes;
    for (QWidget* part : window->findChildren<QWidget*>())
        if (part->isVisible() && (qobject_cast<QComboBox*>(part) || qobject_cast<QAbstractSpinBox*>(part)))
            boxes << part;
    return boxes;
}

// A wheel passing over every combo and spin box of a window that has not the focus
// changes no value.
void wheelOverChoicesChangesNothing(QWidget* window)
{
    if (QWidget* focus = QApplication::focusWidget(); focus && window->isAncestorOf(focus))
        focus->clearFocus();
    for (QWidget* box : choiceBoxes(window)) {
        const QString before = boxValue(box);
        wheelOver(box);
        QCOMPARE(boxValue(box), before);
    }
}

void inputStorm(QWidget* window)
{
    QPointer<QWidget> alive(window);
    wheelOverChoicesChangesNothing(window);
    const QSize size = window->size();
    for (const QSize resized : {QSize(1, 1), QSize(60, 40), QSize(4000, 3000), size}) {
        window->resize(resized);
        QCoreApplication::processEvents();
        if (!alive)
            return;
        const QList<QWidget*> parts = window->findChildren<QWidget*>();
        for (QWidget* part : parts)
            if (part->isVisible() && (qobject_cast<QAbstractScrollArea*>(part->parentWidget()) ||
                                      qobject_cast<QHeaderView*>(part) || qobject_cast<QAbstractSlider*>(part)))
                wheelOver(part);
        for (QWidget* part : parts)
            if (part->isVisible() && (qobject_cast<QHeaderView*>(part) ||
                                      (qobject_cast<QAbstractItemView*>(part->parentWidget()) &&
                                       part == static_cast<QAbstractItemView*>(part->parentWidget())->viewport())))
                mouseOver(part);
        keysTo(QApplication::focusWidget() && window->isAncestorOf(QApplication::focusWidget())
                   ? QApplication::focusWidget()
                   : window);
        QCoreApplication::processEvents();
    }
    if (!window->isWindow() || !qobject_cast<QDialog*>(window)) {
        window->showMaximized();
        QCoreApplication::processEvents();
        window->showNormal();
    }
    QCoreApplication::processEvents();
}

// Closes a dialog when a handler ends, whether its checks passed or returned early, so that
// a failed check never leaves the test waiting on the dialog.
struct RejectAtEnd {
    QDialog* dialog;
    ~RejectAtEnd()
    {
        if (dialog->isVisible())
            dialog->reject();
    }
};

// A window still answers when it paints.
bool answers(QWidget* window)
{
    return window && !window->grab().isNull();
}

}  // namespace

class DesktopGridsTest : public QObject {
    Q_OBJECT

private slots:
    void dataViewOnTheRoad();
    void resultsWindowAndClosing();
    void masterTaxonListWithoutAJob();
    void lakeJobHasItsCharts();
    void chartPreviewTurnsThePage();
    void printedChartFillsOnePage();
    void inputStormOverEveryWindow();
    void unmatchedTaxaOnALabCopy();
    void gridWindowsAsAPersonExpectsThem();
    void aJobFormStaysInViewInASmallWindow();
    void aCopyOfResultsKeepsEveryDigit();
    void helpKeyOpensEachDialogsSection();
    void savingOverAWorkbookOpenElsewhereAsksFirst();
    void aWheelChangesOnlyAFocusedBox();
};

void DesktopGridsTest::dataViewOnTheRoad()
{
    Program program;
    JobFrame* frame = openRiver(program);
    QVERIFY(frame);
    Job& job = frame->job();
    QVERIFY(frame->form()->viewDataButton()->isEnabled());

    // "View Data" twice: one window, brought to the front the second time.
    frame->form()->viewDataButton()->click();
    QMdiSubWindow* data = frame->dataWindow;
    QVERIFY(data);
    QCOMPARE(data->windowTitle(), QStringLiteral("Data view: river.xlsx"));
    program.window.mdiArea()->setActiveSubWindow(frame);
    frame->form()->viewDataButton()->click();
    QCOMPARE(program.windowCount(), 2);
    QCOMPARE(program.window.mdiArea()->currentSubWindow(), data);

    auto* window = qobject_cast<grids::DataWindow*>(data->widget());
    QVERIFY(window);
    const QAbstractItemModel& model = *window->view()->model();
    QCOMPARE(model.rowCount(), job.samples.headerRowCount + job.samples.taxonCount);
    QCOMPARE(model.columnCount(), job.samples.sampleCount + 2);
    const int firstTaxonRow = job.samples.headerRowCount;
    auto highlighted = [&](int taxon) {
        return model.data(model.index(firstTaxonRow + taxon, 0), Qt::BackgroundRole).isValid();
    };
    for (int t = 0; t < job.samples.taxonCount; ++t)
        QVERIFY(!highlighted(t));

    // Analyse with the data view open: the unscored taxa turn light red at once.
    QSignalSpy repainted(window->view()->gridModel(), &QAbstractItemModel::dataChanged);
    frame->form()->analyse();
    QVERIFY(job.analysed);
    QCOMPARE(repainted.count(), 1);
    int unscored = 0;
    for (int t = 0; t < job.samples.taxonCount; ++t) {
        const bool expected = job.analysis.scoredRow1[static_cast<std::size_t>(t)] < 0;
        QCOMPARE(highlighted(t), expected);
        unscored += expected ? 1 : 0;
    }
    QCOMPARE(unscored, job.samples.taxonCount - job.analysis.scoredCount1);

    // Edit > Copy from the menu copies the grid's selected block.
    program.window.mdiArea()->setActiveSubWindow(data);
    window->view()->selectionModel()->select(QItemSelection(model.index(0, 0), model.index(1, 0)),
                                             QItemSelectionModel::ClearAndSelect);
    program.window.updateCommands();
    QVERIFY(program.window.copyAction()->isEnabled());
    QVERIFY(program.window.printAction()->isEnabled());
    QVERIFY(program.window.printPreviewAction()->isEnabled());
    program.window.copyAction()->trigger();
    const QString expected = QString::fromStdString(job.samples.headerLabels[0] + "\n" + job.samples.headerLabels[1] + "\n");
    QCOMPARE(QApplication::clipboard()->text(), expected);

    frame->closeWithoutAsking();
    QTRY_COMPARE(program.windowCount(), 0);
}

void DesktopGridsTest::resultsWindowAndClosing()
{
    Program program;
    JobFrame* frame = openRiver(program);
    QVERIFY(frame);
    frame->form()->analyse();
    frame->form()->viewResultsButton()->click();
    frame->form()->viewDataButton()->click();
    QPointer<QMdiSubWindow> results = frame->resultsWindow;
    QPointer<QMdiSubWindow> data = frame->dataWindow;
    QVERIFY(results && data);
    QCOMPARE(results->windowTitle(), QStringLiteral("Results view: river.xlsx"));
    auto* resultsWindow = qobject_cast<grids::ResultsWindow*>(results->widget());
    QVERIFY(resultsWindow);
    // The table sheets, then a chart per site table in the same order.
    QVERIFY(frame->job().sites.uncertaintyAvailable);
    QCOMPARE(tabNames(*resultsWindow->sheets()), (QStringList{"Sample Summary", "Uncertainty TDI3", "Uncertainty TDI4",
                                                              "Sample quality", "Chart TDI3", "Chart TDI4",
                                                              "History TDI3", "History TDI4"}));
    QCOMPARE(resultsWindow->printCaption(), QStringLiteral("Results view: river.xlsx - Sample Summary"));

    // Closing the data window leaves the job form and the results window open.
    data->close();
    QTRY_VERIFY(data.isNull());
    QCOMPARE(program.windowCount(), 2);
    QVERIFY(frame->isVisible());
    QVERIFY(results && results->isVisible());
    // "View Data" opens a new one.
    frame->form()->viewDataButton()->click();
    QVERIFY(frame->dataWindow);
    QCOMPARE(program.windowCount(), 3);

    frame->closeWithoutAsking();
    QTRY_COMPARE(program.windowCount(), 0);
}

void DesktopGridsTest::masterTaxonListWithoutAJob()
{
    Program program;
    QVERIFY(program.window.taxonListAction()->isEnabled());
    program.window.taxonListAction()->trigger();
    program.window.taxonListAction()->trigger();
    QCOMPARE(program.windowCount(), 2);
    grids::GridWindow* list = gridWindow(program.window.mdiArea()->currentSubWindow());
    QVERIFY(list);
    QCOMPARE(program.window.mdiArea()->currentSubWindow()->windowTitle(), QStringLiteral("Master taxon list"));
    QCOMPARE(list->activeGrid()->model()->rowCount(), program.app.masterTaxonList->rowCount);
    QCOMPARE(list->activeGrid()->model()->columnCount(), program.app.masterTaxonList->colCount);
}

void DesktopGridsTest::lakeJobHasItsCharts()
{
    Program program;
    grids::ResultsWindow* results = analysedResults(program, openLake);
    QVERIFY2(results, program.user.messages.empty() ? "" : program.user.messages.back().c_str());
    QCOMPARE(tabNames(*results->sheets()), (QStringList{"Sample Summary", "Uncertainty LTDI1", "Uncertainty LTDI2",
                                                        "Sample quality", "Chart LTDI1", "Chart LTDI2",
                                                        "History LTDI1", "History LTDI2"}));
    auto* view = qobject_cast<chart::SiteChartView*>(results->sheets()->widget(4));
    QVERIFY(view && view->chart().data().perSiteLimits);
}

void DesktopGridsTest::chartPreviewTurnsThePage()
{
    Program program;
    grids::ResultsWindow* results = analysedResults(program, openRiver);
    QVERIFY(results);
    program.window.mdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(results->parentWidget()));
    results->sheets()->setCurrentIndex(4);
    program.window.updateCommands();
    QVERIFY(program.window.printPreviewAction()->isEnabled());

    // Print Preview shows the chart on a page turned the way the chart is; the session's
    // own page comes back afterwards for the grids.
    QPrinter& printer = grids::sessionPrinter();
    const QPageLayout::Orientation chartWay = chart::ChartPageOrientation(results->activeChart()->chart());
    const QPageLayout::Orientation otherWay =
        chartWay == QPageLayout::Landscape ? QPageLayout::Portrait : QPageLayout::Landscape;
    printer.setPageOrientation(otherWay);
    QPageLayout::Orientation previewed = otherWay;
    {
        ModalScript script;
        script.expect([&](QDialog* dialog) {
            QVERIFY(qobject_cast<QPrintPreviewDialog*>(dialog));
            QCOMPARE(dialog->windowTitle(), QStringLiteral("Print Preview - Results view: river.xlsx - Chart TDI3"));
            previewed = printer.pageLayout().orientation();
            dialog->reject();
        });
        program.window.printPreviewAction()->trigger();
    }
    QCOMPARE(previewed, chartWay);
    QCOMPARE(printer.pageLayout().orientation(), otherWay);
}

void DesktopGridsTest::printedChartFillsOnePage()
{
    Program program;
    grids::ResultsWindow* results = analysedResults(program, openRiver);
    QVERIFY(results);
    results->sheets()->setCurrentIndex(4);
    const chart::SiteChart& chart = results->activeChart()->chart();

    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("chart.pdf"));
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
    printer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape, QMarginsF(15, 15, 15, 15),
                                      QPageLayout::Millimeter));
    results->printTo(printer);

    QPdfDocument document;
    QCOMPARE(document.load(path), QPdfDocument::Error::None);
    QCOMPARE(document.pageCount(), 1);
    const QSizeF pagePoints = document.pagePointSize(0);
    const double pixelsPerPoint = 1500.0 / pagePoints.width();
    const QImage page = document.render(0, (pagePoints * pixelsPerPoint).toSize()).convertToFormat(QImage::Format_RGB32);

    // The chart fitted to the printable area, centred: a point of the chart at its natural
    // size lands here on the rendered page.
    const QRectF area = printer.pageLayout().paintRect(QPageLayout::Point);
    const double scale = std::min(area.width() / chart.size().width(), area.height() / chart.size().height());
    const QPointF origin(area.x() + (area.width() - chart.size().width() * scale) / 2,
                         area.y() + (area.height() - chart.size().height() * scale) / 2);
    auto onPage = [&](double x, double y) {
        return page.pixelColor(QPointF((origin.x() + x * scale) * pixelsPerPoint, (origin.y() + y * scale) * pixelsPerPoint)
                                   .toPoint());
    };
    // Every segment of at least 5 per cent shows its class colour at its middle.
    const chart::SiteChartData& data = chart.data();
    int segmentsSeen = 0;
    for (int site = 0; site < static_cast<int>(data.sites.size()); ++site) {
        const chart::SiteColumn& column = data.sites[static_cast<std::size_t>(site)];
        const double x = chart.siteCentreX(site);
        double cumulative = 0;
        for (std::size_t s = column.probabilities.size(); s-- > 0;) {
            const double share = column.probabilities[s].value_or(0);
            if (share >= 5) {
                const double y = (chart.barEdgeY(cumulative) + chart.barEdgeY(cumulative + share)) / 2.0;
                const QColor found = onPage(x, y);
                QVERIFY2(nearColour(found, chart::ToQColor(chart::SegmentColour(data.segments[s]))),
                         qPrintable(QStringLiteral("site %1 segment %2: %3").arg(site).arg(s).arg(found.name())));
                ++segmentsSeen;
            }
            cumulative += std::max(0.0, share);
        }
    }
    QVERIFY(segmentsSeen >= static_cast<int>(data.sites.size()));
}

// Every kind of window on an analysed river job takes every input a person can give and
// still answers afterwards; the program is still running at the end.
void DesktopGridsTest::inputStormOverEveryWindow()
{
    Program program;
    JobFrame* frame = openRiver(program);
    QVERIFY(frame);
    frame->form()->analyse();
    frame->form()->viewDataButton()->click();
    frame->form()->viewResultsButton()->click();
    program.window.taxonListAction()->trigger();
    QVERIFY(frame->dataWindow && frame->resultsWindow);

    QList<QPointer<QWidget>> windows;
    for (QMdiSubWindow* window : program.window.mdiArea()->subWindowList())
        windows << window;
    QCOMPARE(windows.size(), 4);
    for (const QPointer<QWidget>& window : windows) {
        inputStorm(window);
        QVERIFY(answers(window));
    }
    // Each sheet of the results window, chart tabs included.
    auto* results = qobject_cast<grids::ResultsWindow*>(frame->resultsWindow->widget());
    QVERIFY(results);
    for (int sheet = 0; sheet < results->sheets()->count(); ++sheet) {
        results->sheets()->setCurrentIndex(sheet);
        inputStorm(results->sheets()->currentWidget());
        QVERIFY(answers(results));
    }
    // The main window over all of them.
    inputStorm(&program.window);
    QVERIFY(answers(&program.window));

    // The dialogs: each takes the storm while open, then Escape closes it.
    const auto stormThenEscape = [](QDialog* dialog) {
        inputStorm(dialog);
        QVERIFY(answers(dialog));
        QTest::keyClick(dialog, Qt::Key_Escape);
        if (dialog->isVisible())
            dialog->reject();
    };
    {
        ModalScript script;
        script.expect(stormThenEscape);
        frame->form()->changeDefaultsButton()->click();
        QVERIFY(script.done());
    }
    {
        ModalScript script;
        script.expect(stormThenEscape);
        program.window.aboutAction()->trigger();
        QVERIFY(script.done());
    }
    {
        // Unmatched taxa, from the data view's menu command; Escape leaves the job as it was.
        program.window.mdiArea()->setActiveSubWindow(frame->dataWindow);
        ModalScript script;
        script.expect(stormThenEscape);
        program.window.unmatchedTaxaAction()->trigger();
        QVERIFY(script.done());
        QVERIFY(!frame->job().taxonMap.map);
    }
    {
        ModalScript script;
        script.expect(stormThenEscape);
        QVERIFY(!program.window.openWorkbook(kLake));
        QVERIFY(script.done());
    }
    {
        // The progress window of long work: it and the main window under it take the storm
        // while the work runs (the main window takes no input then); the work goes on until
        // the storm is over.
        std::atomic<bool> stormOver{false};
        bool stormed = false;
        QTimer watch;
        connect(&watch, &QTimer::timeout, [&] {
            QWidget* progress = longwork::ActiveProgressDialog();
            if (!progress || stormed)
                return;
            stormed = true;
            inputStorm(&program.window);
            QVERIFY(answers(&program.window));
            if (QPointer<QWidget> alive = longwork::ActiveProgressDialog()) {
                inputStorm(alive);
                QVERIFY(!alive || answers(alive));
            }
            stormOver = true;
        });
        watch.start(longwork::kPollMs);
        longwork::Run(
            &program.window, QStringLiteral("Reading river.xlsx"),
            [&](WorkProgress& progress) {
                for (int step = 0; !stormOver && step < 4000; ++step) {
                    progress.report(static_cast<std::uint64_t>(step % 100), 100);
                    std::this_thread::sleep_for(std::chrono::milliseconds(5));
                }
            },
            true);
        QVERIFY(stormed);
        QVERIFY(!longwork::ActiveProgressDialog());
        QVERIFY(answers(&program.window));
        QCOMPARE(program.windowCount(), 4);  // the storm opened and closed nothing
    }
    {
        // "Add workbook" on a job not yet analysed: its form and the worksheet dialog take
        // the storm, Escape leaves the dialog, and the job's samples are as they were; the
        // same workbook again, accepted, is refused (its samples are the job's already).
        JobFrame* second = openRiver(program);
        QVERIFY(second);
        const std::string summary = second->job().summary();
        const int samples = second->job().samples.sampleCount;
        inputStorm(second);
        QVERIFY(answers(second));
        QVERIFY(second->form()->addWorkbookButton()->isEnabled());
        {
            ModalScript script;
            script.expect(stormThenEscape);
            QVERIFY(!second->form()->addWorkbooks({kRiver}));
            QVERIFY(script.done());
        }
        {
            ModalScript script;
            script.expect([](QDialog* dialog) { qobject_cast<WorksheetSelectDialog*>(dialog)->okButton()->click(); });
            program.user.messages.clear();
            QVERIFY(!second->form()->addWorkbooks({kRiver}));
            QVERIFY(script.done());
            QCOMPARE(program.user.messages.size(), std::size_t(1));
        }
        QCOMPARE(second->job().summary(), summary);
        QCOMPARE(second->job().samples.sampleCount, samples);
        QVERIFY(second->job().samples.sources.empty());
        QVERIFY(!second->job().modified && !second->job().analysed);
        second->closeWithoutAsking();
        QTRY_COMPARE(program.windowCount(), 4);
    }
    // The help window, on the help file built beside the program.
    HelpCommand help(QStringLiteral(TORVEN_DATABASE).replace(QStringLiteral(".mdb"), QStringLiteral(".pdf")),
                     program.user);
    help.setExternalViewer([](const QString&) { return false; });
    help.show(&program.window);
    QVERIFY(help.window());
    inputStorm(help.window());
    QVERIFY(answers(help.window()));
    help.window()->close();
    QVERIFY(answers(&program.window));
    frame->closeWithoutAsking();
    QTRY_COMPARE(program.windowCount(), 1);
}

// The river example with its two unlisted taxa named as a lab names them: FR001A's name
// with the rank abbreviated (and a double space), AC002A's with an authority added; and
// the same workbook with the list's codes put in.
void DesktopGridsTest::unmatchedTaxaOnALabCopy()
{
    const testing_support::TempDir dir;
    const std::string lab = dir.file("river-lab.xlsx"), corrected = dir.file("river-corrected.xlsx");
    QCOMPARE(testing_support::writeLabCopies(kRiver.toStdString(), lab, corrected), 0);

    Program program;
    auto open = [&program](const std::string& path) {
        ModalScript script;
        script.expect([](QDialog* dialog) { qobject_cast<WorksheetSelectDialog*>(dialog)->okButton()->click(); });
        return program.window.openWorkbook(QString::fromStdString(path));
    };
    JobFrame* frame = open(lab);
    QVERIFY(frame);
    frame->form()->analyse();
    QCOMPARE(frame->job().analysis.lackingCount1, 2);
    frame->form()->viewDataButton()->click();
    const std::string mapPath = dir.file("river-lab.taxa.csv");
    QCOMPARE(taxa::TaxonMapBeside(lab), mapPath);

    // Cancel first: nothing changes.
    const std::string summaryBefore = frame->job().summary();
    {
        ModalScript script;
        script.expect([](QDialog* dialog) {
            auto* window = qobject_cast<UnmatchedTaxaDialog*>(dialog);
            QVERIFY(window);
            window->choiceBox(0)->setCurrentIndex(1);
            window->reject();
        });
        frame->form()->unmatchedTaxaButton()->click();
        QVERIFY(script.done());
    }
    QVERIFY(!frame->job().taxonMap.map);
    QCOMPARE(frame->job().summary(), summaryBefore);

    // From the data view's menu command: both taxa, the right row first; a typed code
    // that the list lacks is refused; then both first suggestions accepted.
    program.window.mdiArea()->setActiveSubWindow(frame->dataWindow);
    {
        ModalScript script;
        script.expect([&program](QDialog* dialog) {
            auto* window = qobject_cast<UnmatchedTaxaDialog*>(dialog);
            QVERIFY(window);
            QCOMPARE(window->windowTitle(), QStringLiteral("Unmatched taxa"));
            QCOMPARE(window->table()->rowCount(), 2);
            QCOMPARE(window->table()->item(0, 0)->text(), QStringLiteral("ZZ990001"));
            QCOMPARE(window->choiceBox(0)->itemText(1), QStringLiteral("1. FR001A"));
            QCOMPARE(window->choiceBox(1)->itemText(1), QStringLiteral("1. AC002A"));
            QVERIFY(window->table()->item(0, 4)->text().startsWith(
                QStringLiteral("1. FR001A  Fragilaria capucina var. rumpens K\u00fctz.  (94: ")));
            QCOMPARE(window->choiceBox(0)->currentIndex(), 0);  // nothing is chosen for the user
            window->choiceBox(0)->setCurrentIndex(1);
            window->codeBox(1)->setText(QStringLiteral("XX999X"));
            window->acceptButton()->click();
            QVERIFY(window->isVisible());
            QCOMPARE(program.user.messages.back(), std::string("Code XX999X is not in the master taxon list."));
            window->codeBox(1)->clear();
            window->choiceBox(1)->setCurrentIndex(1);
            window->acceptButton()->click();
        });
        program.window.unmatchedTaxaAction()->trigger();
        QVERIFY(script.done());
    }
    const Job& mapped = frame->job();
    QVERIFY(mapped.taxonMap.map);
    QCOMPARE(mapped.taxonMap.path, mapPath);
    QVERIFY(mapped.analysed);
    QCOMPARE(mapped.analysis.mappedCount, 2);
    QCOMPARE(mapped.analysis.lackingCount1, 0);
    QVERIFY(mapped.summary().find("2 taxa matched through the taxon map.") != std::string::npos);
    QCOMPARE(mapped.summary().find("Taxon map:"), mapped.summary().rfind("Taxon map:"));  // analysed afresh

    // The map file reads back with both choices.
    taxa::TaxonMap readBack;
    std::string error;
    QVERIFY2(taxa::ReadTaxonMap(mapPath, readBack, error), error.c_str());
    QCOMPARE(readBack.lines.size(), std::size_t(2));
    QCOMPARE(readBack.lines[0].code, std::string("ZZ990001"));
    QCOMPARE(readBack.lines[0].mappedCode, std::string("FR001A"));
    QCOMPARE(readBack.lines[1].mappedCode, std::string("AC002A"));
    QCOMPARE(readBack.lines[1].name, std::string("Achnanthidium minutissimum (K\u00fctz.) Czarn."));

    // Opened again, the workbook brings its map back: the analysis uses it and names it in
    // the summary with the taxa it matched, and the window shows its choices.
    {
        JobFrame* again = open(lab);
        QVERIFY(again);
        QCOMPARE(again->job().taxonMap.path, mapPath);
        again->form()->analyse();
        QCOMPARE(again->job().analysis.mappedCount, 2);
        QCOMPARE(again->job().analysis.lackingCount1, 0);
        QVERIFY(again->job().summary().find("Taxon map:\triver-lab.taxa.csv\r\n2 taxa matched through the taxon map.") !=
                std::string::npos);
        for (int r = 0; r < mapped.analysis.results->nRows(); ++r)
            for (int c = 0; c < mapped.analysis.results->nCols(); ++c)
                QCOMPARE((*again->job().analysis.results)(r, c), (*mapped.analysis.results)(r, c));
        ModalScript script;
        script.expect([&mapPath](QDialog* dialog) {
            auto* window = qobject_cast<UnmatchedTaxaDialog*>(dialog);
            QVERIFY(window);
            QCOMPARE(window->mapPathBox()->text(), QString::fromStdString(mapPath));
            QCOMPARE(window->choiceBox(0)->currentText(), QStringLiteral("1. FR001A"));
            QCOMPARE(window->choiceBox(1)->currentText(), QStringLiteral("1. AC002A"));
            window->reject();
        });
        again->form()->unmatchedTaxaButton()->click();
        QVERIFY(script.done());
        again->closeWithoutAsking();
    }

    // The data view paints the two mapped taxa in their own colour.
    auto* data = qobject_cast<grids::DataWindow*>(frame->dataWindow->widget());
    QVERIFY(data);
    const QAbstractItemModel& model = *data->view()->model();
    const int lastTaxonRow = mapped.samples.headerRowCount + mapped.samples.taxonCount - 1;
    QCOMPARE(model.data(model.index(lastTaxonRow, 0), Qt::BackgroundRole).value<QBrush>().color(),
             QColor(200, 225, 255));

    // The results are those of the corrected workbook. A file beside it that is not a
    // taxon map is named and left out.
    {
        std::ofstream notAMap(dir.file("river-corrected.taxa.csv"));
        notAMap << "taxon,count\nFR001A,3\n";
    }
    program.user.messages.clear();
    JobFrame* other = open(corrected);
    QVERIFY(other);
    QCOMPARE(program.user.messages, std::vector<std::string>{"The taxon map cannot be used."});
    QVERIFY(!other->job().taxonMap.map);
    other->form()->analyse();
    const Job& fixed = other->job();
    QCOMPARE(fixed.analysis.lackingCount1, 0);
    QCOMPARE(fixed.analysis.results->nRows(), mapped.analysis.results->nRows());
    for (int r = 0; r < fixed.analysis.results->nRows(); ++r)
        for (int c = 0; c < fixed.analysis.results->nCols(); ++c)
            QCOMPARE((*mapped.analysis.results)(r, c), (*fixed.analysis.results)(r, c));
    QVERIFY(fixed.sites.siteSummary1 && mapped.sites.siteSummary1);
    for (int r = 0; r < fixed.sites.siteSummary1->nRows(); ++r)
        for (int c = 0; c < fixed.sites.siteSummary1->nCols(); ++c)
            QCOMPARE((*mapped.sites.siteSummary1)(r, c), (*fixed.sites.siteSummary1)(r, c));
    QCOMPARE(mapped.analysis.comments1, fixed.analysis.comments1);
    QCOMPARE(mapped.analysis.comments2, fixed.analysis.comments2);
    other->closeWithoutAsking();
    frame->closeWithoutAsking();
}

// Where the work area leaves no room beside the job form (a small screen, a large scale),
// the data and results windows open over it, below its title bar: the form stays in view,
// and a click on its title bar brings it to the front.
void DesktopGridsTest::aJobFormStaysInViewInASmallWindow()
{
    Program program;
    JobFrame* frame = openRiver(program);
    QVERIFY(frame);
    // The form as large as it is at scale 2 on a small screen: most of the work area.
    const QSize area = program.window.mdiArea()->viewport()->size();
    frame->resize(area.width() * 4 / 5, area.height() * 4 / 5);
    frame->form()->analyse();
    frame->form()->viewDataButton()->click();
    frame->form()->viewResultsButton()->click();
    QVERIFY(frame->dataWindow && frame->resultsWindow);
    const int titleBar = frame->style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, frame);
    const QRect formTitle(frame->geometry().topLeft(), QSize(frame->width(), titleBar));
    for (QMdiSubWindow* grid : {frame->dataWindow.data(), frame->resultsWindow.data()}) {
        QVERIFY2(grid->geometry().intersects(frame->geometry()),  // no room beside it
                 qPrintable(QStringLiteral("area %1x%2, form %3,%4 %5x%6, grid %7,%8 %9x%10")
                                .arg(program.window.mdiArea()->viewport()->width())
                                .arg(program.window.mdiArea()->viewport()->height())
                                .arg(frame->x()).arg(frame->y()).arg(frame->width()).arg(frame->height())
                                .arg(grid->x()).arg(grid->y()).arg(grid->width()).arg(grid->height())));
        QVERIFY2(!grid->geometry().intersects(formTitle), qPrintable(QStringLiteral("%1 over the form's title bar")
                                                                         .arg(grid->windowTitle())));
    }
    // The results window, opened last, in front; each window's title bar in view.
    QCOMPARE(program.window.mdiArea()->currentSubWindow(), frame->resultsWindow.data());
    QVERIFY(frame->resultsWindow->y() > frame->dataWindow->y());
    const QPoint onTitle = frame->mapTo(program.window.mdiArea()->viewport(), QPoint(frame->width() / 2, titleBar / 2));
    QCOMPARE(program.window.mdiArea()->viewport()->childAt(onTitle), frame);
}

void DesktopGridsTest::gridWindowsAsAPersonExpectsThem()
{
    Program program;
    JobFrame* frame = openRiver(program);
    QVERIFY(frame);
    frame->form()->analyse();
    frame->form()->viewDataButton()->click();
    QMdiSubWindow* data = frame->dataWindow;
    QVERIFY(data);

    // The data view opens beside the job form, filling the rest of the work area, and shows
    // the sample columns beyond its frozen panes.
    const QRect area = program.window.mdiArea()->viewport()->rect();
    QVERIFY(!data->geometry().intersects(frame->geometry()));
    QCOMPARE(data->geometry().right(), area.right());
    QCOMPARE(data->geometry().bottom(), area.bottom());
    QVERIFY(data->width() * data->height() * 3 >= area.width() * area.height());
    auto* window = qobject_cast<grids::DataWindow*>(data->widget());
    QVERIFY(window);
    grids::GridView* view = window->view();
    QVERIFY(view->viewport()->width() > view->frozenWidth() + 200);

    // Ctrl+End and Ctrl+Home: the last and the first cell of the grid.
    const QAbstractItemModel& model = *view->model();
    view->setCurrentIndex(model.index(5, 3));
    QTest::keyClick(view, Qt::Key_End, Qt::ControlModifier);
    QCOMPARE(view->currentIndex(), model.index(model.rowCount() - 1, model.columnCount() - 1));
    QTest::keyClick(view, Qt::Key_Home, Qt::ControlModifier);
    QCOMPARE(view->currentIndex(), model.index(0, 0));
    QCOMPARE(view->horizontalScrollBar()->value(), 0);
    QCOMPARE(view->verticalScrollBar()->value(), 0);

    // An alkalinity read as text lines up with the counts; a sample's name stays left.
    const int alkalinityRow = 3, firstSample = 2;
    auto alignment = [&](int row, int column) {
        return Qt::Alignment(model.data(model.index(row, column), Qt::TextAlignmentRole).toInt());
    };
    QCOMPARE(model.data(model.index(alkalinityRow, firstSample)).toString(), QStringLiteral("39.1"));
    QVERIFY(alignment(alkalinityRow, firstSample) & Qt::AlignRight);
    QVERIFY(alignment(0, firstSample) & Qt::AlignLeft);

    // The results' column headings explain themselves on hover, in the manual's words.
    frame->form()->viewResultsButton()->click();
    auto* results = qobject_cast<grids::ResultsWindow*>(frame->resultsWindow->widget());
    QVERIFY(results);
    // The results window shows the first index's EQR and class at once, beside the frozen
    // sample and site columns, however narrow the room it opened in.
    {
        grids::GridView* samples = results->activeGrid();
        const int headerRows = static_cast<int>(frame->job().samples.headerLabels.size());
        for (const int result : {rescol::firstEqr, rescol::firstClass}) {
            const QModelIndex cell = samples->model()->index(0, headerRows + result - 1);
            QTRY_VERIFY(samples->viewport()->rect().contains(samples->visualRect(cell)));
            QVERIFY(samples->visualRect(cell).left() >= samples->frozenWidth());
        }
    }
    auto explanationOf = [](const QAbstractItemModel& headers, const QString& heading) {
        for (int c = 0; c < headers.columnCount(); ++c)
            if (headers.headerData(c, Qt::Horizontal).toString() == heading)
                return headers.headerData(c, Qt::Horizontal, Qt::ToolTipRole).toString();
        return QStringLiteral("(no column %1)").arg(heading);
    };
    const QAbstractItemModel& samples = *results->activeGrid()->model();
    QCOMPARE(explanationOf(samples, QStringLiteral("eTDI3")), QStringLiteral("The expected TDI3"));
    QCOMPARE(explanationOf(samples, QStringLiteral("Comment TD14")),
             QStringLiteral("Notes on the sample's TDI4: chemistry substituted, date missing, no matching taxa"));
    results->sheets()->setCurrentIndex(1);
    const QAbstractItemModel& sites = *results->activeGrid()->model();
    QCOMPARE(explanationOf(sites, QStringLiteral("RoM-G/M")),
             QStringLiteral("Risk of being on the wrong side of the Good/Moderate boundary"));
    QCOMPARE(explanationOf(sites, QStringLiteral("CoC HG")),
             QStringLiteral("Probability of High or Good (CoC High + CoC Good)"));
    // The data view's column letters need none.
    QVERIFY(model.headerData(0, Qt::Horizontal, Qt::ToolTipRole).isNull());
    frame->closeWithoutAsking();
}

// A block copied from the results window holds the values in full and leaves a missing
// value's cell empty; the window still shows them rounded and as "...".
void DesktopGridsTest::aCopyOfResultsKeepsEveryDigit()
{
    Program program;
    grids::ResultsWindow* results = analysedResults(program, openRiver);
    QVERIFY(results);
    Job& job = program.window.jobFrames().value(0)->job();
    Matrix& table = *job.analysis.results;
    // The second sample's first EQR made missing, as a sample without matching taxa has it.
    table(1, rescol::firstEqr) = Matrix::missingValue;
    QVERIFY(table.isMissing(1, rescol::firstEqr));

    grids::GridView* view = results->activeGrid();
    const QAbstractItemModel& model = *view->model();
    const int headerRows = static_cast<int>(job.samples.headerLabels.size());
    // Model column of result column j: grid column headerRows + j, less the row numbers.
    auto modelColumn = [headerRows](int j) { return headerRows + j - 1; };
    const int samples = 3;
    view->selectionModel()->select(QItemSelection(model.index(0, modelColumn(1)),
                                                  model.index(samples - 1, modelColumn(rescol::firstEqr))),
                                   QItemSelectionModel::ClearAndSelect);
    view->copy();
    const QStringList lines = QApplication::clipboard()->text().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), samples);
    int fullerThanShown = 0;
    for (int s = 0; s < samples; ++s) {
        const QStringList fields = lines[s].split(QLatin1Char('\t'));
        QCOMPARE(fields.size(), rescol::firstEqr);
        for (int j = 1; j <= rescol::firstEqr; ++j) {
            const QString& field = fields[j - 1];
            if (table.isMissing(s, j)) {
                QVERIFY2(field.isEmpty(), qPrintable(field));
                continue;
            }
            bool isNumber = false;
            QCOMPARE(field.toDouble(&isNumber), table(s, j));  // the very number, not a rounding of it
            QVERIFY(isNumber);
            if (field != model.data(model.index(s, modelColumn(j))).toString())
                ++fullerThanShown;
        }
    }
    QVERIFY(fullerThanShown > 0);
    QCOMPARE(model.data(model.index(1, modelColumn(rescol::firstEqr))).toString(), QStringLiteral("..."));
    // The HTML a spreadsheet prefers when pasting holds the same values.
    const QString html = QApplication::clipboard()->mimeData()->html();
    QVERIFY(!html.contains(QStringLiteral("...")));
    QVERIFY(html.contains(QString::number(table(0, rescol::firstEqr), 'g', QLocale::FloatingPointShortest)));

    // A site sheet's cells, likewise.
    results->sheets()->setCurrentIndex(1);
    grids::GridView* sites = results->activeGrid();
    QVERIFY(sites && job.sites.siteSummary1);
    const QAbstractItemModel& siteModel = *sites->model();
    // Model column 3 is grid column 4, summary column 2: the site's mean EQR.
    sites->selectionModel()->select(QItemSelection(siteModel.index(0, 3), siteModel.index(0, 3)),
                                    QItemSelectionModel::ClearAndSelect);
    sites->copy();
    QCOMPARE(QApplication::clipboard()->text().trimmed().toDouble(), (*job.sites.siteSummary1)(0, 2));
    QVERIFY(QApplication::clipboard()->text().trimmed() != siteModel.data(siteModel.index(0, 3)).toString());
    program.window.jobFrames().value(0)->closeWithoutAsking();
}

// F1 in each dialog opens the help at the dialog's own section of the manual; so does the
// dialog's Help button, and F1 over the job form.
void DesktopGridsTest::helpKeyOpensEachDialogsSection()
{
    const QString helpPath = QStringLiteral(TORVEN_DATABASE).replace(QStringLiteral(".mdb"), QStringLiteral(".pdf"));
    Program program(helpPath);
    QFile contentsFile(QString(helpPath).replace(QStringLiteral(".pdf"), QStringLiteral(".toc")));
    QVERIFY(contentsFile.open(QIODevice::ReadOnly));
    const QList<HelpContentsEntry> contents = ParseHelpContents(QString::fromUtf8(contentsFile.readAll()));
    auto pageOf = [&contents](const QString& section) {
        for (const HelpContentsEntry& entry : contents)
            if (entry.title.endsWith(QLatin1Char(' ') + section))
                return entry.page;
        return -1;
    };
    // Pressed where the keyboard is: the dialog's focused part.
    auto pressHelpIn = [&program, &pageOf](QWidget* dialog, const QString& section) {
        if (program.help.window())
            program.help.window()->hide();
        QWidget* focus = QApplication::focusWidget();
        QTest::keyClick(focus && dialog->isAncestorOf(focus) ? focus : dialog, Qt::Key_F1);
        HelpWindow* help = program.help.window();
        QVERIFY2(help && help->isVisible(), qPrintable(section));
        QVERIFY(pageOf(section) > 1);
        QCOMPARE(help->currentPage(), pageOf(section) - 1);
    };

    {
        ModalScript script;
        script.expect([&](QDialog* dialog) {
            const RejectAtEnd closing{dialog};
            pressHelpIn(dialog, QStringLiteral("Choosing the worksheet"));
            QVERIFY(dialog->isVisible());  // the dialog stays open behind the help
            qobject_cast<WorksheetSelectDialog*>(dialog)->okButton()->click();
        });
        QVERIFY(program.window.openWorkbook(kRiver));
        QVERIFY(script.done());
    }
    JobFrame* frame = program.window.jobFrames().value(0);
    QVERIFY(frame);
    for (const auto& [button, section] :
         {std::pair{frame->form()->changeDefaultsButton(), QStringLiteral("Changing the defaults")},
          std::pair{frame->form()->unmatchedTaxaButton(), QStringLiteral("Unmatched taxa")}}) {
        ModalScript script;
        script.expect([&, section = section](QDialog* dialog) {
            const RejectAtEnd closing{dialog};
            pressHelpIn(dialog, section);
            // The Help button goes to the same place.
            program.help.window()->hide();
            for (QPushButton* b : dialog->findChildren<QPushButton*>())
                if (b->text() == QStringLiteral("Help"))
                    b->click();
            QVERIFY(program.help.window()->isVisible());
            QCOMPARE(program.help.window()->currentPage(), pageOf(section) - 1);
            dialog->reject();
        });
        button->click();
        QVERIFY(script.done());
    }
    frame->form()->analyse();
    {
        // The save dialog, Qt's own file dialog.
        ModalScript script;
        script.expect([&](QDialog* dialog) {
            const RejectAtEnd closing{dialog};
            pressHelpIn(dialog, QStringLiteral("Saving the results"));
            dialog->reject();
        });
        QVERIFY(!frame->form()->save());
        QVERIFY(script.done());
    }
    // The job form: the main window's F1 (its Help command) goes to the form's section.
    program.help.window()->hide();
    program.window.mdiArea()->setActiveSubWindow(frame);
    program.window.helpAction()->trigger();
    QVERIFY(program.help.window()->isVisible());
    QCOMPARE(program.help.window()->currentPage(), pageOf(QStringLiteral("The job form")) - 1);

    // The help window closes with Escape and with Ctrl+W, and zooms with Ctrl and the keys.
    HelpWindow* help = program.help.window();
    help->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(help));
    const double fitted = help->zoom();
    QTest::keyClick(help, Qt::Key_Plus, Qt::ControlModifier);
    QVERIFY(help->zoom() > fitted * 1.2);
    QTest::keyClick(help, Qt::Key_Minus, Qt::ControlModifier);
    QTest::keyClick(help, Qt::Key_Minus, Qt::ControlModifier);
    QVERIFY(help->zoom() < fitted);
    QTest::keyClick(help, Qt::Key_0, Qt::ControlModifier);
    QCOMPARE(help->zoom(), fitted);
    QTest::keyClick(help, Qt::Key_Escape);
    QVERIFY(!help->isVisible());
    program.window.helpAction()->trigger();
    QVERIFY(help->isVisible());
    QVERIFY(QTest::qWaitForWindowActive(help));
    QTest::keyClick(help, Qt::Key_W, Qt::ControlModifier);
    QVERIFY(!help->isVisible());
    QVERIFY(program.user.messages.empty());
    frame->closeWithoutAsking();
}

// A results workbook that LibreOffice has open (its lock file beside it) is replaced only
// when the user says so, and the question names who has it open.
void DesktopGridsTest::savingOverAWorkbookOpenElsewhereAsksFirst()
{
    const testing_support::TempDir dir;
    const std::string target = dir.file("Results.xls");
    {
        std::ofstream old(target);
        old << "the results LibreOffice has open";
    }
    {
        std::ofstream lock(dir.file(".~lock.Results.xls#"));
        lock << "Jane Doe,jdoe,lab-pc,09.12.2026 08:30,file:///home/jdoe/.config/libreoffice/4;";
    }
    Program program;
    JobFrame* frame = openRiver(program);
    QVERIFY(frame);
    frame->form()->analyse();

    program.user.resultsFiles = {target};
    program.user.answers = {UserInteraction::Answer::No};
    QVERIFY(!frame->form()->save());
    QCOMPARE(program.user.questions.size(), std::size_t(1));
    const std::string& question = program.user.questions[0];
    QVERIFY2(question.rfind("Results.xls is open in a spreadsheet program.", 0) == 0, question.c_str());
    QVERIFY2(question.find("It was opened by Jane Doe.") != std::string::npos, question.c_str());
    QVERIFY(frame->job().modified);
    std::ifstream unchanged(target);
    std::string text;
    std::getline(unchanged, text);
    QCOMPARE(text, std::string("the results LibreOffice has open"));

    // Yes: the workbook is written.
    program.user.resultsFiles = {target};
    program.user.answers = {UserInteraction::Answer::Yes};
    QVERIFY(frame->form()->save());
    QVERIFY(!frame->job().modified);
    QVERIFY(std::filesystem::file_size(target) > 1000);
    frame->closeWithoutAsking();
}

// A wheel over a combo or spin box changes its value only once the box has the focus: a
// click or Tab first, as a person means it.
void DesktopGridsTest::aWheelChangesOnlyAFocusedBox()
{
    Program program;
    auto wheelDown = [](QWidget* box) {
        const QPointF at(box->width() / 2.0, box->height() / 2.0);
        QWheelEvent down(at, box->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                         Qt::NoScrollPhase, false);
        QApplication::sendEvent(box, &down);
    };
    {
        // The worksheet dialog's first data row: the wheel passing over it changes no choice.
        ModalScript script;
        script.expect([&wheelDown](QDialog* dialog) {
            const RejectAtEnd closing{dialog};
            auto* select = qobject_cast<WorksheetSelectDialog*>(dialog);
            QVERIFY(select);
            QComboBox* row = select->firstRowList();
            QCOMPARE(row->focusPolicy(), Qt::StrongFocus);  // the wheel gives no focus
            const WorksheetChoice before = select->choice();
            wheelDown(row);
            wheelOver(row);
            wheelDown(select->firstColumnList());
            QCOMPARE(select->choice().firstDataRow, before.firstDataRow);
            QCOMPARE(select->choice().firstDataColumn, before.firstDataColumn);
        });
        QVERIFY(!program.window.openWorkbook(kRiver));
        QVERIFY(script.done());
    }

    // Boxes in a window of their own, which can take the focus here: the one with the
    // focus takes the wheel, the other does not.
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* combo = new QComboBox;
    combo->addItems({QStringLiteral("(unmatched)"), QStringLiteral("1. FR001A"), QStringLiteral("2. FR002A")});
    auto* spin = new QSpinBox;
    spin->setRange(1, 20);
    layout->addWidget(combo);
    layout->addWidget(spin);
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QCOMPARE(spin->focusPolicy(), Qt::StrongFocus);
    spin->setFocus();
    QVERIFY(spin->hasFocus());
    wheelDown(combo);
    QCOMPARE(combo->currentIndex(), 0);
    combo->setFocus();
    QVERIFY(combo->hasFocus());
    wheelDown(combo);
    QCOMPARE(combo->currentIndex(), 1);
    wheelDown(spin);
    QCOMPARE(spin->value(), 1);
    spin->setFocus();
    const QPointF at(spin->width() / 2.0, spin->height() / 2.0);
    QWheelEvent up(at, spin->mapToGlobal(at), QPoint(), QPoint(0, 120), Qt::NoButton, Qt::NoModifier,
                   Qt::NoScrollPhase, false);
    QApplication::sendEvent(spin, &up);
    QCOMPARE(spin->value(), 2);
}

QTEST_MAIN(DesktopGridsTest)
#include "desktop_grids_test.moc"
