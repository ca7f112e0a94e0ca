#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QImage>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMimeData>
#include <QPageLayout>
#include <QPageSize>
#include <QPointer>
#include <QPrinter>
#include <QProcess>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QWheelEvent>

#include "app/job.h"
#include "refdb/memory_table.h"
#include "tests/results/results_jobs.h"
#include "tests/support/grid_jobs.h"
#include "ui/chart/widget/site_chart_view.h"
#include "ui/grids/grid_copy.h"
#include "ui/grids/grid_model.h"
#include "ui/grids/grid_print.h"
#include "ui/grids/grid_windows.h"
#include "ui/grids/list_views.h"

using namespace grids;

namespace {

// The grids never ask the user anything.
class QuietUser : public UserInteraction {
public:
    void showMessage(const std::string&, const std::string&) override {}
    Answer askYesNoCancel(const std::string&) override { return Answer::Cancel; }
    std::optional<WorksheetChoice> chooseWorksheet(const wb::Book&, const std::vector<std::string>&, int) override
    {
        return std::nullopt;
    }
    std::optional<std::string> chooseResultsFile() override { return std::nullopt; }
};

QString shown(const QAbstractItemModel& model, int row, int column)
{
    return model.data(model.index(row, column), Qt::DisplayRole).toString();
}

QString heading(const QAbstractItemModel& model, int column)
{
    return model.headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
}

// The colour the grid paints at the middle of the right end of a cell (where a short,
// left-aligned text leaves it blank), frozen panes included.
QColor paintedColour(GridView& view, int row, int column)
{
    const QRect cell = view.visualRect(view.model()->index(row, column));
    const QPoint inView = view.viewport()->mapTo(&view, QPoint(cell.right() - 3, cell.center().y()));
    const QImage image = view.grab().toImage();
    return image.pixelColor(inView);
}

QString runTool(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
        return QString();
    return QString::fromUtf8(process.readAllStandardOutput());
}

int pdfPageCount(const QString& path)
{
    const QString info = runTool(QStringLiteral(TORVEN_PDFINFO), {path});
    for (const QString& line : info.split(QLatin1Char('\n')))
        if (line.startsWith(QStringLiteral("Pages:")))
            return line.mid(6).trimmed().toInt();
    return -1;
}

QString pdfPageText(const QString& path, int page)
{
    const QString number = QString::number(page);
    return runTool(QStringLiteral(TORVEN_PDFTOTEXT), {QStringLiteral("-layout"), QStringLiteral("-f"), number,
                                                      QStringLiteral("-l"), number, path, QStringLiteral("-")});
}

MemoryTable smallMasterList()
{
    std::vector<MemoryTable::Column> columns(4);
    columns[0].name = "TaxonCode";
    columns[0].kind = MemoryTable::kindText;
    columns[0].texts = {"AC001A", "NA001A", "ZZ999"};
    columns[1].name = "TaxonName";
    columns[1].kind = MemoryTable::kindText;
    columns[1].texts = {"Achnanthes sp.", "Navicula sp. with a long name", "Unknown"};
    columns[2].name = "TDI3";
    columns[2].kind = MemoryTable::kindShort;
    columns[2].integers = {4, 0, -1};
    columns[3].name = "Planktic";
    columns[3].kind = MemoryTable::kindBool;
    columns[3].booleans = {0, 1, 0};
    return MemoryTable(std::move(columns), 3);
}

}  // namespace

class GridWindowsTest : public QObject {
    Q_OBJECT

private slots:
    void dataViewTexts();
    void dataViewLayoutAndFrozenPanes();
    void wheelOverEveryPane();
    void dataViewHighlightFollowsTheAnalysis();
    void masterTaxonList();
    void sampleSheet();
    void siteSheets();
    void resultsOpenedBeforeSiteTables();
    void chartsAreDrawnAgainOnRefresh();
    void copyBlocks();
    void printedResultsRepeatFrozenColumns();
    void printedDataRepeatFrozenRows();
};

void GridWindowsTest::dataViewTexts()
{
    QuietUser user;
    Job job(nullptr, user);
    grid_jobs::fillImportedJob(job, 701);
    DataWindow window(job);
    QCOMPARE(window.windowTitle(), QStringLiteral("Data view: river.xlsx"));
    const QAbstractItemModel& model = *window.view()->model();
    QCOMPARE(model.rowCount(), 4 + 3);
    QCOMPARE(model.columnCount(), 701 + 2);
    QCOMPARE(heading(model, 0), QStringLiteral("A"));
    QCOMPARE(heading(model, 701), QStringLiteral("ZZ"));
    QCOMPARE(model.headerData(6, Qt::Vertical, Qt::DisplayRole).toString(), QStringLiteral("7"));
    // The date row (grid row 3, model row 2), samples from grid column 3 (model column 2).
    QCOMPARE(shown(model, 2, 0), QStringLiteral("Sampling date"));
    QCOMPARE(shown(model, 2, 2), QStringLiteral("06-Jul-2009"));
    QCOMPARE(shown(model, 2, 3), QStringLiteral("04-Oct-1954"));
    QCOMPARE(shown(model, 2, 4), QStringLiteral("07-Apr-2064"));
    QCOMPARE(shown(model, 2, 5), QStringLiteral("20000"));
    QCOMPARE(shown(model, 2, 6), QStringLiteral("60000"));
    QCOMPARE(shown(model, 2, 7), QStringLiteral("12"));
    QCOMPARE(shown(model, 2, 8), QStringLiteral("June"));
    // Taxa: code, name, counts right-aligned.
    QCOMPARE(shown(model, 4, 0), QStringLiteral("AC001A"));
    QCOMPARE(shown(model, 5, 1), QStringLiteral("Unknown taxon"));
    QCOMPARE(shown(model, 4, 3), QStringLiteral("0.3"));
    const auto alignment = model.data(model.index(4, 3), Qt::TextAlignmentRole).value<Qt::Alignment>();
    QVERIFY(alignment & Qt::AlignRight);
    // Read-only.
    QVERIFY(!(model.flags(model.index(4, 3)) & Qt::ItemIsEditable));
}

void GridWindowsTest::dataViewLayoutAndFrozenPanes()
{
    QuietUser user;
    Job job(nullptr, user);
    grid_jobs::fillImportedJob(job, 300);
    DataWindow window(job);
    window.resize(700, 300);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    DataListView& view = *window.view();

    // Sample columns 80 pixels; code and name fitted to their longest text in rows 1 to 50.
    QCOMPARE(view.columnWidth(2), 80);
    QCOMPARE(view.columnWidth(299), 80);
    const QFontMetrics metrics(view.font());
    QCOMPARE(view.columnWidth(0), metrics.horizontalAdvance(QStringLiteral("Alkalinity (mg/l)")) + 8);
    int names = 0;
    for (const TaxonEntry& taxon : job.samples.taxa)
        names = std::max(names, metrics.horizontalAdvance(QString::fromStdString(taxon.name)));
    QCOMPARE(view.columnWidth(1), names + 8);
    QCOMPARE(view.font().pointSize(), 8);

    // The frozen panes cover the first two rows and columns.
    QVERIFY(view.frozenRowView()->isVisible());
    QVERIFY(view.frozenColumnView()->isVisible());
    QVERIFY(view.frozenCornerView()->isVisible());
    QCOMPARE(view.frozenColumnView()->width(), view.columnWidth(0) + view.columnWidth(1));
    QCOMPARE(view.frozenRowView()->height(), view.rowHeight(0) + view.rowHeight(1));
    QCOMPARE(view.frozenColumnView()->selectionModel(), view.selectionModel());

    // Scrolled to the far right and bottom, the frozen panes follow in one direction only.
    view.horizontalScrollBar()->setValue(view.horizontalScrollBar()->maximum());
    view.verticalScrollBar()->setValue(view.verticalScrollBar()->maximum());
    QVERIFY(view.horizontalScrollBar()->value() > 0);
    QCOMPARE(view.frozenRowView()->horizontalScrollBar()->value(), view.horizontalScrollBar()->value());
    QCOMPARE(view.frozenColumnView()->verticalScrollBar()->value(), view.verticalScrollBar()->value());
    QCOMPARE(view.frozenColumnView()->horizontalScrollBar()->value(), 0);
    QCOMPARE(view.frozenRowView()->verticalScrollBar()->value(), 0);
    QCOMPARE(view.frozenColumnView()->columnAt(1), 0);
    QCOMPARE(view.frozenRowView()->rowAt(1), 0);
    QCOMPARE(view.frozenColumnView()->horizontalHeader()->logicalIndexAt(1), 0);

    // Back to a cell hidden under the frozen columns: it is scrolled out from under them.
    view.horizontalScrollBar()->setValue(80 * 3);
    view.scrollTo(view.model()->index(3, 4));
    QVERIFY(view.visualRect(view.model()->index(3, 4)).left() >= view.frozenWidth());
    // Moving along a frozen column keeps the sideways position.
    const int x = view.horizontalScrollBar()->value();
    view.scrollTo(view.model()->index(6, 0));
    QCOMPARE(view.horizontalScrollBar()->value(), x);
}

// A wheel turned over any pane of a grid scrolls the body (the panes follow), in both
// directions and sideways, also where the grid cannot scroll any further.
void GridWindowsTest::wheelOverEveryPane()
{
    QuietUser user;
    Job job(nullptr, user);
    grid_jobs::fillImportedJob(job, 300);
    DataWindow window(job);
    window.resize(700, 130);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    DataListView& view = *window.view();
    QScrollBar& down = *view.verticalScrollBar();
    QScrollBar& across = *view.horizontalScrollBar();
    QVERIFY(down.maximum() > 0 && across.maximum() > 0);

    const auto turn = [](QWidget* pane, QPoint delta) {
        const QPointF at(pane->width() / 2.0, pane->height() / 2.0);
        QWheelEvent wheel(at, pane->mapToGlobal(at), QPoint(), delta, Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(pane, &wheel);
    };
    for (QTableView* pane : {static_cast<QTableView*>(&view), view.frozenRowView(), view.frozenColumnView(),
                             view.frozenCornerView()}) {
        down.setValue(0);
        across.setValue(0);
        // Up and left at the top-left corner: nothing to scroll, nothing happens.
        turn(pane->viewport(), QPoint(0, 120));
        turn(pane->viewport(), QPoint(120, 0));
        QCOMPARE(down.value(), 0);
        QCOMPARE(across.value(), 0);
        turn(pane->viewport(), QPoint(0, -120));
        QVERIFY2(down.value() > 0, qPrintable(pane->objectName()));
        QCOMPARE(view.frozenColumnView()->verticalScrollBar()->value(), down.value());
        turn(pane->viewport(), QPoint(-120, 0));
        QVERIFY(across.value() > 0);
        QCOMPARE(view.frozenRowView()->horizontalScrollBar()->value(), across.value());
        // Down and right at the far end: again nothing to scroll.
        down.setValue(down.maximum());
        across.setValue(across.maximum());
        turn(pane->viewport(), QPoint(0, -120));
        turn(pane->viewport(), QPoint(-120, 0));
        QCOMPARE(down.value(), down.maximum());
        QCOMPARE(across.value(), across.maximum());
        // The headers take the wheel too.
        turn(pane->horizontalHeader(), QPoint(0, 120));
        turn(pane->verticalHeader(), QPoint(0, 120));
    }
}

void GridWindowsTest::dataViewHighlightFollowsTheAnalysis()
{
    QuietUser user;
    Job job(nullptr, user);
    grid_jobs::fillImportedJob(job);
    DataWindow window(job);
    window.resize(900, 400);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    DataListView& view = *window.view();
    const QAbstractItemModel& model = *view.model();
    const QColor red(255, 200, 200);

    // Before the analysis nothing is highlighted.
    for (int r = 0; r < model.rowCount(); ++r)
        for (int c = 0; c < model.columnCount(); ++c)
            QVERIFY(!model.data(model.index(r, c), Qt::BackgroundRole).isValid());
    QVERIFY(paintedColour(view, 5, 4) != red);
    QVERIFY(paintedColour(view, 5, 0) != red);

    // The job form's analysis, then its word to the open window.
    QSignalSpy changed(view.gridModel(), &QAbstractItemModel::dataChanged);
    grid_jobs::markAnalysed(job);
    window.refresh();
    QCOMPARE(changed.count(), 1);

    // Exactly the row of ZZ999 (model row 5), from the code column on.
    for (int r = 0; r < model.rowCount(); ++r)
        for (int c = 0; c < model.columnCount(); ++c) {
            const QVariant background = model.data(model.index(r, c), Qt::BackgroundRole);
            QCOMPARE(background.isValid(), r == 5);
            if (background.isValid())
                QCOMPARE(background.value<QBrush>().color(), red);
        }
    // Painted so, in the scrolling part and in the frozen columns alike.
    QCOMPARE(paintedColour(view, 5, 4), red);
    QCOMPARE(paintedColour(view, 5, 0), red);
    QVERIFY(paintedColour(view, 4, 4) != red);
}

void GridWindowsTest::masterTaxonList()
{
    auto table = std::make_shared<const MemoryTable>(smallMasterList());
    auto* window = new TaxonListWindow(table);
    std::unique_ptr<TaxonListWindow> owner(window);
    QCOMPARE(window->windowTitle(), QStringLiteral("Master taxon list"));
    QVERIFY(window->job() == nullptr);
    GridView& view = *window->activeGrid();
    const QAbstractItemModel& model = *view.model();
    QCOMPARE(model.rowCount(), 3);
    QCOMPARE(model.columnCount(), 4);
    QCOMPARE(heading(model, 2), QStringLiteral("TDI3"));
    // A taxon's TDI3 is its score, not the index: the results' explanation is not its own.
    QVERIFY(model.headerData(2, Qt::Horizontal, Qt::ToolTipRole).isNull());
    QCOMPARE(shown(model, 0, 2), QStringLiteral("4"));
    QCOMPARE(shown(model, 1, 2), QString());  // 0
    QCOMPARE(shown(model, 2, 2), QString());  // -1
    QCOMPARE(shown(model, 1, 3), QStringLiteral("Yes"));
    QCOMPARE(shown(model, 0, 3), QString());
    // Every column fitted to its longest text, over every row.
    const QFontMetrics metrics(view.font());
    QCOMPARE(view.columnWidth(1), metrics.horizontalAdvance(QStringLiteral("Navicula sp. with a long name")) + 8);

    // Without a database the list is an empty window, not a crash.
    TaxonListWindow empty(nullptr);
    QCOMPARE(empty.activeGrid()->model()->rowCount(), 0);
}

void GridWindowsTest::sampleSheet()
{
    QuietUser user;
    Job river(nullptr, user);
    results_jobs::fillRiverJob(river);
    ResultsWindow window(river);
    QCOMPARE(window.windowTitle(), QStringLiteral("Results view: river.xlsx"));
    QTabWidget& sheets = *window.sheets();
    QCOMPARE(sheets.tabPosition(), QTabWidget::South);
    QCOMPARE(sheets.count(), 8);
    QCOMPARE(sheets.tabText(0), QStringLiteral("Sample Summary"));
    QCOMPARE(sheets.tabText(1), QStringLiteral("Uncertainty TDI3"));
    QCOMPARE(sheets.tabText(2), QStringLiteral("Uncertainty TDI4"));
    QCOMPARE(sheets.tabText(3), QStringLiteral("Sample quality"));
    QCOMPARE(sheets.tabText(4), QStringLiteral("Chart TDI3"));
    QCOMPARE(sheets.tabText(5), QStringLiteral("Chart TDI4"));
    QCOMPARE(sheets.tabText(6), QStringLiteral("History TDI3"));
    QCOMPARE(sheets.tabText(7), QStringLiteral("History TDI4"));
    QVERIFY(qobject_cast<SampleSummaryView*>(sheets.widget(0)));
    QVERIFY(qobject_cast<SiteTableView*>(sheets.widget(1)));
    QVERIFY(window.activeChart() == nullptr);

    // The quality sheet (worked out in results_workbook_test.cpp): S1 has 15 valves, 10
    // scored for each index.
    sheets.setCurrentIndex(3);
    const QAbstractItemModel& quality = *window.activeGrid()->model();
    QCOMPARE(window.activeGrid()->frozenColumns(), 1);
    QCOMPARE(quality.columnCount(), 7);
    QCOMPARE(heading(quality, 6), QStringLiteral("Flags"));
    QCOMPARE(shown(quality, 0, 0), QStringLiteral("S1"));
    QCOMPARE(shown(quality, 0, 2), QStringLiteral("15"));
    QCOMPARE(shown(quality, 0, 3), QStringLiteral("66.7"));
    QCOMPARE(shown(quality, 1, 4), QStringLiteral("0.0"));
    QCOMPARE(shown(quality, 1, 5), QStringLiteral("1"));
    QCOMPARE(shown(quality, 0, 6),
             QStringLiteral("Fewer than 300 valves counted; Less than 80 % of the count scored for TDI3; Less than 80 % "
                            "of the count scored for TDI4"));

    // A chart sheet has no grid; Copy copies its picture.
    sheets.setCurrentIndex(4);
    QVERIFY(window.activeGrid() == nullptr);
    QVERIFY(window.activeChart() != nullptr);
    QApplication::clipboard()->clear();
    window.copy();
    QVERIFY(QApplication::clipboard()->mimeData()->hasImage());
    // So does a history sheet, and it is printed with its caption.
    sheets.setCurrentIndex(6);
    QVERIFY(window.activeGrid() == nullptr);
    QApplication::clipboard()->clear();
    window.copy();
    QVERIFY(QApplication::clipboard()->mimeData()->hasImage());
    QCOMPARE(window.printCaption(), QStringLiteral("Results view: river.xlsx - History TDI3"));
    sheets.setCurrentIndex(0);

    GridView& view = *window.activeGrid();
    const QAbstractItemModel& model = *view.model();
    QCOMPARE(view.frozenColumns(), 2);
    QCOMPARE(view.frozenRows(), 0);
    QCOMPARE(model.columnCount(), 21);
    QCOMPARE(heading(model, 19), QStringLiteral("Comment TDI3"));
    QCOMPARE(heading(model, 20), QStringLiteral("Comment TD14"));
    QCOMPARE(shown(model, 0, 2), QStringLiteral("06-Jul-2009"));
    QCOMPARE(shown(model, 1, 2), QStringLiteral("12"));
    QCOMPARE(shown(model, 1, 11), QStringLiteral("..."));  // TDI4 missing
    (*river.analysis.results)(0, 3) = -2;
    QCOMPARE(shown(model, 0, 6), QStringLiteral("..."));
    // Widths fitted to rows 0 to 50, then at least 50 pixels except the last column.
    for (int c = 0; c < model.columnCount() - 1; ++c)
        QVERIFY2(view.columnWidth(c) >= 50, qPrintable(QString::number(c)));
    QVERIFY(view.verticalHeader()->minimumWidth() >= 50);
    const QFontMetrics metrics(view.font());
    QCOMPARE(view.columnWidth(19), metrics.horizontalAdvance(QStringLiteral("Alkalinity missing, default used")) + 8);

    Job dam(nullptr, user);
    results_jobs::fillDamJob(dam);
    ResultsWindow damWindow(dam);
    QCOMPARE(damWindow.sheets()->count(), 5);
    QCOMPARE(damWindow.sheets()->tabText(1), QStringLiteral("Uncertainty DAM"));
    QCOMPARE(damWindow.sheets()->tabText(2), QStringLiteral("Sample quality"));
    QCOMPARE(damWindow.sheets()->tabText(3), QStringLiteral("Chart DAM"));
    QCOMPARE(damWindow.sheets()->tabText(4), QStringLiteral("History DAM"));
    const QAbstractItemModel& damModel = *damWindow.activeGrid()->model();
    QCOMPARE(damModel.columnCount(), 17);
    QCOMPARE(heading(damModel, 16), QStringLiteral("Comment DAM"));
}

void GridWindowsTest::siteSheets()
{
    QuietUser user;
    Job river(nullptr, user);
    results_jobs::fillRiverJob(river);
    (*river.sites.siteSummary1)(0, 0) = 3;
    (*river.sites.siteSummary1)(0, 4) = -1.25;
    ResultsWindow window(river);
    window.sheets()->setCurrentIndex(1);
    GridView& first = *window.activeGrid();
    QCOMPARE(first.frozenColumns(), 1);
    QCOMPARE(window.printCaption(), QStringLiteral("Results view: river.xlsx - Uncertainty TDI3"));
    const QAbstractItemModel& tdi3 = *first.model();
    QCOMPARE(heading(tdi3, 1), QStringLiteral("No. Samples"));
    QCOMPARE(shown(tdi3, 0, 0), QStringLiteral("AB1"));
    QCOMPARE(shown(tdi3, 0, 1), QStringLiteral("3.00"));
    QCOMPARE(shown(tdi3, 0, 5), QStringLiteral("-1.25"));
    QCOMPARE(shown(tdi3, 0, 4), QStringLiteral("High"));

    window.sheets()->setCurrentIndex(2);
    const QAbstractItemModel& tdi4 = *window.activeGrid()->model();
    QCOMPARE(tdi4.columnCount(), 1 + 12);
    QCOMPARE(heading(tdi4, 5), QStringLiteral("CoC High+Good"));

    Job lake(nullptr, user);
    results_jobs::fillLakeJob(lake);
    ResultsWindow lakeWindow(lake);
    QCOMPARE(lakeWindow.sheets()->tabText(2), QStringLiteral("Uncertainty LTDI2"));
    lakeWindow.sheets()->setCurrentIndex(2);
    const QAbstractItemModel& ltdi2 = *lakeWindow.activeGrid()->model();
    QCOMPARE(ltdi2.columnCount(), 1 + 13);
    QCOMPARE(heading(ltdi2, 5), QStringLiteral("CoC High"));
    QCOMPARE(heading(ltdi2, 13), QStringLiteral("RoM-G/M"));
}

void GridWindowsTest::resultsOpenedBeforeSiteTables()
{
    QuietUser user;
    Job river(nullptr, user);
    results_jobs::fillRiverJob(river);
    river.sites.uncertaintyAvailable = false;
    ResultsWindow window(river);
    QCOMPARE(window.sheets()->count(), 2);  // the samples and their quality
    // The window gains neither site sheets nor charts when the tables come later.
    river.sites.uncertaintyAvailable = true;
    window.refresh();
    QCOMPARE(window.sheets()->count(), 2);
}

void GridWindowsTest::chartsAreDrawnAgainOnRefresh()
{
    QuietUser user;
    Job river(nullptr, user);
    results_jobs::fillRiverJob(river);
    ResultsWindow window(river);
    window.sheets()->setCurrentIndex(5);
    QPointer<chart::SiteChartView> before = window.activeChart();
    QVERIFY(before);
    QCOMPARE(before->chart().data().sites.at(0).meanEqr, 1.0883);

    // A new analysis has changed the second table: the chart shows the new mean, and the
    // chart sheet stays current.
    (*river.sites.siteSummary2)(0, 2) = 0.45;
    window.refresh();
    QVERIFY(before.isNull());
    QCOMPARE(window.sheets()->count(), 8);
    QCOMPARE(window.sheets()->currentIndex(), 5);
    QCOMPARE(window.sheets()->tabText(5), QStringLiteral("Chart TDI4"));
    QVERIFY(window.activeChart());
    QCOMPARE(window.activeChart()->chart().data().sites.at(0).meanEqr, 0.45);
}

void GridWindowsTest::copyBlocks()
{
    QuietUser user;
    Job job(nullptr, user);
    grid_jobs::fillImportedJob(job);
    DataWindow window(job);
    DataListView& view = *window.view();
    QItemSelectionModel& selection = *view.selectionModel();
    const QAbstractItemModel& model = *view.model();

    // Three rows by two columns: the first two taxa and the date row's last two samples...
    selection.select(QItemSelection(model.index(2, 7), model.index(4, 8)), QItemSelectionModel::ClearAndSelect);
    window.copy();
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("12\tJune\n45\t45\n5\t6\n"));
    const QMimeData* data = QApplication::clipboard()->mimeData();
    QVERIFY(data->hasHtml());
    QVERIFY(data->html().contains(QStringLiteral("<td>June</td>")));
    QVERIFY(data->html().contains(QStringLiteral("<td align=\"right\">6</td>")));

    // ...two rows by three columns, from the frozen columns into the counts.
    selection.select(QItemSelection(model.index(4, 0), model.index(5, 2)), QItemSelectionModel::ClearAndSelect);
    std::unique_ptr<QMimeData> block(view.selectionMimeData());
    QCOMPARE(block->text(), QStringLiteral("AC001A\tAchnanthes sp.\t0\nZZ999\tUnknown taxon\t10\n"));

    // Whole columns chosen by their headings bring the headings along.
    view.selectColumn(1);
    block.reset(view.selectionMimeData());
    QCOMPARE(block->text(), QStringLiteral("B\n\n\n\n\nAchnanthes sp.\nUnknown taxon\nNavicula sp.\n"));
    QVERIFY(block->html().contains(QStringLiteral("<th>B</th>")));
    // Whole rows bring their row numbers.
    view.selectRow(0);
    block.reset(view.selectionMimeData());
    QCOMPARE(block->text(), QStringLiteral("1\tSample\t\tS1\tS2\tS3\tS4\tS5\tS6\tS7\n"));

    // A results sheet copies its values, not its texts: the number in full (0, shown as
    // 0.0), nothing for a missing value (shown as "..."); a class by its name.
    Job river(nullptr, user);
    results_jobs::fillRiverJob(river);
    ResultsWindow results(river);
    GridView& sample = *results.activeGrid();
    sample.selectionModel()->select(QItemSelection(sample.model()->index(1, 9), sample.model()->index(1, 11)),
                                    QItemSelectionModel::ClearAndSelect);
    block.reset(sample.selectionMimeData());
    QCOMPARE(block->text(), QStringLiteral("Moderate\t0\t\n"));
    QCOMPARE(sample.model()->data(sample.model()->index(1, 11)).toString(), QStringLiteral("..."));

    // The grid's own keys copy the block too (last: the keys leave Ctrl down for Qt).
    selection.select(QItemSelection(model.index(2, 7), model.index(4, 8)), QItemSelectionModel::ClearAndSelect);
    QApplication::clipboard()->clear();
    QTest::keyClick(&view, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("12\tJune\n45\t45\n5\t6\n"));
    QApplication::clipboard()->clear();
    QTest::keyClick(&view, Qt::Key_Insert, Qt::ControlModifier);
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("12\tJune\n45\t45\n5\t6\n"));
}

void GridWindowsTest::printedResultsRepeatFrozenColumns()
{
    QuietUser user;
    Job river(nullptr, user);
    results_jobs::fillRiverJob(river);
    ResultsWindow window(river);
    GridView& view = *window.activeGrid();
    // Known widths: row numbers 50 px, every column 100 px. A4 portrait with 10 mm margins
    // leaves 190 mm = 718 px at 96 dpi; less 250 px for the row numbers and the two frozen
    // columns, four columns of 100 px a page: the other 19 take 5 pages across, 1 down.
    view.verticalHeader()->setFixedWidth(50);
    for (int c = 0; c < view.model()->columnCount(); ++c)
        view.setColumnWidth(c, 100);

    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("sample.pdf"));
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
    printer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(10, 10, 10, 10),
                                      QPageLayout::Millimeter));
    QCOMPARE(view.logicalDpiX(), 96);
    window.printTo(printer);

    QCOMPARE(pdfPageCount(path), 5);
    const QString page2 = pdfPageText(path, 2);
    // Frozen columns and the header line repeat; page 2 holds grid columns 7 to 10.
    QVERIFY2(page2.contains(QStringLiteral("Results view: river.xlsx - Sample Summary")), qPrintable(page2));
    QVERIFY(page2.contains(QStringLiteral("Page 2 of 5")));
    QVERIFY(page2.contains(QStringLiteral("S1")));
    QVERIFY(page2.contains(QStringLiteral("CD2")));
    QVERIFY(page2.contains(QStringLiteral("eTDI3")));
    QVERIFY(page2.contains(QStringLiteral("Moderate")));
    QVERIFY(!page2.contains(QStringLiteral("Sample sum")));
    const QString page5 = pdfPageText(path, 5);
    QVERIFY(page5.contains(QStringLiteral("AB1")));
    QVERIFY(page5.contains(QStringLiteral("Comment TD14")));

    // The selection alone: grid columns 9 to 10 of the first sample, with the frozen ones.
    view.selectionModel()->select(QItemSelection(view.model()->index(0, 8), view.model()->index(0, 9)),
                                  QItemSelectionModel::ClearAndSelect);
    const QString selected = folder.filePath(QStringLiteral("selection.pdf"));
    printer.setOutputFileName(selected);
    window.printTo(printer, true);
    QCOMPARE(pdfPageCount(selected), 1);
    const QString text = pdfPageText(selected, 1);
    QVERIFY(text.contains(QStringLiteral("EQR TDI3")));
    QVERIFY(text.contains(QStringLiteral("S1")));
    QVERIFY(!text.contains(QStringLiteral("S2")));
    QVERIFY(!text.contains(QStringLiteral("TDI4")));
}

void GridWindowsTest::printedDataRepeatFrozenRows()
{
    QuietUser user;
    Job job(nullptr, user);
    grid_jobs::fillImportedJob(job, 7);
    // Enough taxa for several pages down.
    for (int t = 3; t < 120; ++t)
        job.samples.taxa.push_back({"T" + std::to_string(t), "Taxon " + std::to_string(t)});
    job.samples.taxonCount = static_cast<int>(job.samples.taxa.size());
    DataWindow window(job);
    GridView& view = *window.activeGrid();

    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("data.pdf"));
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
    printer.setPageLayout(QPageLayout(QPageSize(QPageSize::A5), QPageLayout::Portrait, QMarginsF(10, 10, 10, 10),
                                      QPageLayout::Millimeter));
    window.printTo(printer);
    const int pages = pdfPageCount(path);
    QVERIFY2(pages >= 2, qPrintable(QString::number(pages)));
    // Page 2 shows rows further down, under the two frozen rows and beside the frozen columns.
    const QString page2 = pdfPageText(path, 2);
    QVERIFY2(page2.contains(QStringLiteral("Sample")), qPrintable(page2));
    QVERIFY(page2.contains(QStringLiteral("SITE0")));
    QVERIFY(page2.contains(QStringLiteral("Data view: river.xlsx")));
    QVERIFY(!page2.contains(QStringLiteral("Achnanthes")));
    QVERIFY(pdfPageText(path, pages).contains(QStringLiteral("Taxon 119")));
    Q_UNUSED(view);
}

QTEST_MAIN(GridWindowsTest)
#include "grid_windows_test.moc"
