#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QTabWidget>
#include <QtTest>

#include "app/tvn_app.h"
#include "app/tvn_doc.h"
#include "tests/ui/ui_test_support.h"
#include "ui/grids/grid_model.h"
#include "ui/grids/grid_window_factory.h"
#include "ui/grids/grid_windows.h"
#include "ui/grids/list_views.h"
#include "ui/help_command.h"
#include "ui/job_form.h"
#include "ui/job_frame.h"
#include "ui/main_window.h"
#include "ui/worksheet_select_dialog.h"

namespace {

const QString kRiver = QStringLiteral(TORVEN_EXAMPLES_DIR "/river.xlsx");

// The desktop program without the splash, with the grid windows installed.
struct Program {
    TestUser user;
    CTVNApp app{user};
    HelpCommand help{QStringLiteral("/nonexistent/TORVENII.pdf"), user};
    CMainFrame window{app, user, help};

    Program()
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

CChildFrame2* openRiver(Program& program)
{
    ModalScript script;
    script.expect([](QDialog* dialog) {
        auto* select = qobject_cast<WorksheetSelectDialog*>(dialog);
        QVERIFY(select);
        select->okButton()->click();
    });
    return program.window.openWorkbook(kRiver);
}

grids::GridWindow* gridWindow(QMdiSubWindow* window)
{
    return window ? qobject_cast<grids::GridWindow*>(window->widget()) : nullptr;
}

}  // namespace

class DesktopGridsTest : public QObject {
    Q_OBJECT

private slots:
    void dataViewOnTheRoad();
    void resultsWindowAndClosing();
    void masterTaxonListWithoutAJob();
};

void DesktopGridsTest::dataViewOnTheRoad()
{
    Program program;
    CChildFrame2* frame = openRiver(program);
    QVERIFY(frame);
    CTVNDoc& job = frame->job();
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
    QCOMPARE(model.rowCount(), job.headerRowCount + job.taxonCount);
    QCOMPARE(model.columnCount(), job.sampleCount + 2);
    const int firstTaxonRow = job.headerRowCount;
    auto highlighted = [&](int taxon) {
        return model.data(model.index(firstTaxonRow + taxon, 0), Qt::BackgroundRole).isValid();
    };
    for (int t = 0; t < job.taxonCount; ++t)
        QVERIFY(!highlighted(t));

    // Analyse with the data view open: the unscored taxa turn light red at once.
    QSignalSpy repainted(window->view()->gridModel(), &QAbstractItemModel::dataChanged);
    frame->form()->analyse();
    QVERIFY(job.analysed);
    QCOMPARE(repainted.count(), 1);
    int unscored = 0;
    for (int t = 0; t < job.taxonCount; ++t) {
        const bool expected = job.scoredRow1[static_cast<std::size_t>(t)] < 0;
        QCOMPARE(highlighted(t), expected);
        unscored += expected ? 1 : 0;
    }
    QCOMPARE(unscored, job.taxonCount - job.scoredCount1);

    // Edit > Copy from the menu copies the grid's selected block.
    program.window.mdiArea()->setActiveSubWindow(data);
    window->view()->selectionModel()->select(QItemSelection(model.index(0, 0), model.index(1, 0)),
                                             QItemSelectionModel::ClearAndSelect);
    program.window.updateCommands();
    QVERIFY(program.window.copyAction()->isEnabled());
    QVERIFY(program.window.printAction()->isEnabled());
    QVERIFY(program.window.printPreviewAction()->isEnabled());
    program.window.copyAction()->trigger();
    const QString expected = QString::fromStdString(job.headerLabels[0] + "\n" + job.headerLabels[1] + "\n");
    QCOMPARE(QApplication::clipboard()->text(), expected);

    frame->closeWithoutAsking();
    QTRY_COMPARE(program.windowCount(), 0);
}

void DesktopGridsTest::resultsWindowAndClosing()
{
    Program program;
    CChildFrame2* frame = openRiver(program);
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
    QCOMPARE(resultsWindow->sheets()->tabText(0), QStringLiteral("Sample Summary"));
    if (frame->job().uncertaintyAvailable) {
        QCOMPARE(resultsWindow->sheets()->count(), 3);
        QCOMPARE(resultsWindow->sheets()->tabText(2), QStringLiteral("Uncertainty TDI4"));
    }
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

QTEST_MAIN(DesktopGridsTest)
#include "desktop_grids_test.moc"
