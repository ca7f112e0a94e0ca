#include <QAction>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QMenu>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QtTest>

#include <unistd.h>

#include "app/application.h"
#include "base/data_files.h"
#include "tests/support/reference_fixture.h"
#include "ui/reference_database_dialog.h"
#include "app/job.h"
#include "tests/ui/ui_test_support.h"
#include "ui/help_command.h"
#include "ui/job_form.h"
#include "ui/job_frame.h"
#include "ui/main_window.h"
#include "ui/results_file_dialog.h"
#include "ui/screen_fit.h"
#include "ui/startup.h"
#include "ui/worksheet_select_dialog.h"
#include "workbook/book.h"
#include "import/worksheet_choice.h"

namespace {

const QString kRiver = QStringLiteral(TORVEN_EXAMPLES_DIR "/river.xlsx");

// The desktop program without the splash, on the bundled database, with a scripted user.
struct Program {
    TestUser user;
    Application app{user};
    HelpCommand help{QStringLiteral("/nonexistent/TORVENII.pdf"), user};
    MainWindow window{app, user, help};

    explicit Program(const std::string& database = TORVEN_DATABASE)
    {
        app.OpenReferenceData(database);
        user.setParentWidget(&window);
        help.setExternalViewer([](const QString&) { return false; });
        window.show();
    }
};

// The worksheet dialog answered with OK, after optionally checking another family.
std::function<void(QDialog*)> answerWorksheet(int family = -1)
{
    return [family](QDialog* dialog) {
        auto* select = qobject_cast<WorksheetSelectDialog*>(dialog);
        QVERIFY(select);
        if (family >= 0)
            select->familyButton(family)->setChecked(true);
        select->okButton()->click();
    };
}

// The results save dialog answered with a folder, a type (0 .xls, 1 .xlsx) and a name
// (empty: the name the dialog offers after the type change).
std::function<void(QDialog*)> answerSave(const QString& folder, int type, const QString& name = QString())
{
    return [=](QDialog* dialog) {
        auto* save = qobject_cast<ResultsFileDialog*>(dialog);
        QVERIFY(save);
        save->setDirectory(folder);
        auto* combo = save->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
        QVERIFY(combo);
        combo->setCurrentIndex(type);
        emit combo->activated(type);
        emit combo->textActivated(combo->itemText(type));
        if (!name.isEmpty())
            save->setTypedName(name);
        QMetaObject::invokeMethod(save, "accept", Qt::DirectConnection);
    };
}

JobFrame* openRiver(Program& program, int family = -1)
{
    ModalScript script;
    script.expect(answerWorksheet(family));
    JobFrame* frame = program.window.openWorkbook(kRiver);
    [&] { QCOMPARE(script.unexpected, 0); }();
    return frame;
}

// Every sheet and cell of two workbooks, compared as the reader gives them (but for the
// time of the analysis).
void compareWorkbooks(const QString& actualPath, const QString& expectedPath)
{
    auto actual = worksheet::CreateBookFor(actualPath.toStdString());
    auto expected = worksheet::CreateBookFor(expectedPath.toStdString());
    QVERIFY(actual->load(actualPath.toStdString()));
    QVERIFY(expected->load(expectedPath.toStdString()));
    QCOMPARE(actual->fileFormat(), expected->fileFormat());
    QCOMPARE(actual->sheetCount(), expected->sheetCount());
    for (int s = 0; s < expected->sheetCount(); ++s) {
        const wb::Sheet* a = actual->getSheet(s);
        const wb::Sheet* e = expected->getSheet(s);
        QCOMPARE(a->name(), e->name());
        QCOMPARE(a->lastRow(), e->lastRow());
        QCOMPARE(a->lastCol(), e->lastCol());
        for (int r = 0; r < e->lastRow(); ++r)
            for (int c = 0; c < e->lastCol(); ++c) {
                QCOMPARE(a->cellType(r, c), e->cellType(r, c));
                // The provenance's time of the analysis is each run's own.
                const std::optional<std::string> text = e->readStr(r, c);
                if (text && text->starts_with("Analysed: ")) {
                    QVERIFY(a->readStr(r, c).value_or("").starts_with("Analysed: "));
                    continue;
                }
                QCOMPARE(a->readStr(r, c), e->readStr(r, c));
                QCOMPARE(a->readNum(r, c), e->readNum(r, c));
            }
    }
}

// What the command line writes for the same choices.
QString cliResults(const QString& folder, const QString& name)
{
    const QString out = folder + QLatin1Char('/') + name;
    QProcess cli;
    cli.start(QStringLiteral(TORVEN_BIN_DIR "/torven-cli"),
              {QStringLiteral("assess"), kRiver, QStringLiteral("--metric"), QStringLiteral("TDI"),
               QStringLiteral("--first-row"), QStringLiteral("5"), QStringLiteral("--first-col"), QStringLiteral("C"),
               QStringLiteral("--db"), QStringLiteral(TORVEN_DATABASE), QStringLiteral("-o"), out,
               QStringLiteral("--quiet")});
    cli.waitForFinished(60000);
    return cli.exitCode() == 0 ? out : QString();
}

struct ButtonStates {
    bool analyse, viewData, viewResults, save;
};

void checkButtons(const JobForm* form, ButtonStates expected)
{
    QCOMPARE(form->analyseButton()->isEnabled(), expected.analyse);
    QCOMPARE(form->viewDataButton()->isEnabled(), expected.viewData);
    QCOMPARE(form->viewResultsButton()->isEnabled(), expected.viewResults);
    QCOMPARE(form->saveButton()->isEnabled(), expected.save);
    QVERIFY(form->changeDefaultsButton()->isEnabled());
    QVERIFY(form->helpButton()->isEnabled());
    QVERIFY(form->closeButton()->isEnabled());
}

// Grid windows as the grids library will give them: plain widgets that count refreshes.
class FakeGridWindows : public GridWindows {
public:
    QWidget* createDataView(Job&) override { return new QWidget; }
    QWidget* createResultsView(Job&) override { return new QWidget; }
    QWidget* createTaxonListView(Application&) override
    {
        auto* view = new QWidget;
        view->setWindowTitle(QStringLiteral("Master taxon list"));
        return view;
    }
    void refresh(Job&, QWidget*) override { ++*refreshes; }
    void printSetup(QWidget*) override {}
    std::shared_ptr<int> refreshes = std::make_shared<int>(0);
};

int windowCount(const Program& program)
{
    return static_cast<int>(program.window.mdiArea()->subWindowList().size());
}

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT
private slots:
    void wholeRoadOnTheRiverExample()
    {
        Program program;
        ModalScript script;
        script.expect([](QDialog* dialog) {
            auto* select = qobject_cast<WorksheetSelectDialog*>(dialog);
            QVERIFY(select);
            // The guess of the example's layout, and the job's family.
            QCOMPARE(select->choice().firstDataRow, 5);
            QCOMPARE(select->choice().firstDataColumn, 3);
            QVERIFY(select->familyButton(familyRivers)->isChecked());
            select->okButton()->click();
        });
        JobFrame* frame = program.window.openWorkbook(kRiver);
        QVERIFY(frame);
        QVERIFY(program.user.messages.empty());
        JobForm* form = frame->form();
        QCOMPARE(frame->windowTitle(), QStringLiteral("river.xlsx"));
        QCOMPARE(program.window.windowTitle(), QStringLiteral("TORVENII - Veldrasma - river.xlsx"));
        QVERIFY(form->summaryBox()->toPlainText().startsWith(QStringLiteral("File:\triver.xlsx\nWorksheet:\t")));
        // The summary is read-only: typing changes nothing, and its text can be copied.
        {
            QPlainTextEdit* summary = form->summaryBox();
            const QString before = summary->toPlainText();
            QVERIFY(summary->isReadOnly());
            summary->setFocus();
            QTest::keyClicks(summary, QStringLiteral("typed"));
            QTest::keyClick(summary, Qt::Key_Delete);
            QCOMPARE(summary->toPlainText(), before);
            summary->selectAll();
            program.window.copyAction()->trigger();
            QCOMPARE(QGuiApplication::clipboard()->text(), before);
        }
        QCOMPARE(frame->size(), frame->sizeHint());
        // The form grows with its window: the summary takes the room, the buttons keep theirs.
        {
            const QSize summary = form->summaryBox()->size();
            const QSize button = form->analyseButton()->size();
            frame->resize(frame->size() + QSize(200, 150));
            QTRY_COMPARE(form->summaryBox()->size(), summary + QSize(200, 150));
            QCOMPARE(form->analyseButton()->size(), button);
            frame->resize(frame->sizeHint());
            QTRY_COMPARE(form->summaryBox()->size(), summary);
        }
        checkButtons(form, {true, false, false, false});

        const int importedLength = form->summaryBox()->toPlainText().size();
        form->analyseButton()->click();
        QVERIFY(frame->job().analysed);
        QVERIFY(frame->job().modified);
        QVERIFY(form->summaryBox()->toPlainText().size() > importedLength);
        QCOMPARE(form->summaryBox()->toPlainText(),
                 QString::fromStdString(frame->job().summary()).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
        checkButtons(form, {false, false, false, true});
        QVERIFY(program.window.saveResultsAction()->isEnabled());

        // Save as .xls from the form, as .xlsx from the toolbar command.
        QTemporaryDir folder;
        script.expect(answerSave(folder.path(), 0, QStringLiteral("From the form")));
        form->saveButton()->click();
        const QString xls = folder.filePath(QStringLiteral("From the form.xls"));
        QVERIFY(QFile::exists(xls));
        QVERIFY(!frame->job().modified);
        script.expect(answerSave(folder.path(), 1));
        program.window.saveResultsAction()->trigger();
        const QString xlsx = folder.filePath(QStringLiteral("Results.xlsx"));
        QVERIFY(QFile::exists(xlsx));
        QCOMPARE(script.unexpected, 0);
        QVERIFY(program.user.messages.empty());

        const QString cliXls = cliResults(folder.path(), QStringLiteral("cli.xls"));
        const QString cliXlsx = cliResults(folder.path(), QStringLiteral("cli.xlsx"));
        QVERIFY(!cliXls.isEmpty() && !cliXlsx.isEmpty());
        compareWorkbooks(xls, cliXls);
        compareWorkbooks(xlsx, cliXlsx);
        auto book = worksheet::CreateBookFor(xlsx.toStdString());
        QVERIFY(book->load(xlsx.toStdString()));
        QCOMPARE(book->getSheet(0)->name(), std::string("Job Summary"));
        QCOMPARE(book->getSheet(1)->name(), std::string("Sample Summary"));

        // Saved: closing asks nothing.
        frame->close();
        QTRY_COMPARE(windowCount(program), 0);
        QVERIFY(program.user.questions.empty());
    }

    void failedAnalysisKeepsAnalyseEnabled()
    {
        // The lake example with one lake type spoilt: the import passes, the analysis
        // stops at the lake typology.
        QTemporaryDir folder;
        const std::string spoilt = folder.filePath(QStringLiteral("lake.xlsx")).toStdString();
        {
            auto book = wb::xlCreateXMLBook();
            QVERIFY(book->load(TORVEN_EXAMPLES_DIR "/lake.xlsx"));
            QVERIFY(book->getSheet(0)->writeStr(3, 2, "X"));
            QVERIFY(book->save(spoilt));
        }
        Program program;
        ModalScript script;
        script.expect(answerWorksheet(familyLakes));
        JobFrame* frame = program.window.openWorkbook(QString::fromStdString(spoilt));
        QVERIFY2(frame, program.user.messages.empty() ? "" : program.user.messages.back().c_str());
        QCOMPARE(frame->job().samples.familyName, std::string("LTDI"));
        checkButtons(frame->form(), {true, false, false, false});
        const QString imported = frame->form()->summaryBox()->toPlainText();
        frame->form()->analyseButton()->click();
        QVERIFY(!frame->job().analysed);
        QCOMPARE(program.user.messages.size(), std::size_t(1));
        QVERIFY(program.user.messages[0].find("Lake typology information missing for 1 samples") == 0);
        checkButtons(frame->form(), {true, false, false, false});
        QVERIFY(!program.window.saveResultsAction()->isEnabled());
        QCOMPARE(frame->form()->summaryBox()->toPlainText(),
                 QString::fromStdString(frame->job().summary()).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
        QVERIFY(frame->form()->summaryBox()->toPlainText().startsWith(imported));
        // Closing a job whose analysis failed asks nothing.
        frame->close();
        QTRY_COMPARE(windowCount(program), 0);
        QVERIFY(program.user.questions.empty());
    }

    void closingRules()
    {
        Program program;
        auto grids = std::make_unique<FakeGridWindows>();
        program.window.setGridWindows(std::move(grids));

        // Never analysed: closes without a question.
        JobFrame* fresh = openRiver(program);
        QVERIFY(fresh);
        fresh->form()->closeButton()->click();
        QTRY_COMPARE(windowCount(program), 0);
        QVERIFY(program.user.questions.empty());

        QPointer<JobFrame> frame = openRiver(program);
        frame->form()->analyseButton()->click();
        frame->form()->viewDataButton()->click();
        frame->form()->viewResultsButton()->click();
        QCOMPARE(windowCount(program), 3);

        // Cancel keeps every window of the job.
        program.user.answers = {UserInteraction::Answer::Cancel};
        frame->close();
        QCoreApplication::processEvents();
        QCOMPARE(windowCount(program), 3);
        QCOMPARE(program.user.questions, std::vector<std::string>{"Save Results?"});

        // Yes, then the file dialog cancelled: the results are still unsaved, the job stays.
        program.user.answers = {UserInteraction::Answer::Yes};
        program.user.resultsFiles = {std::nullopt};
        frame->form()->closeButton()->click();
        QCoreApplication::processEvents();
        QCOMPARE(windowCount(program), 3);
        QVERIFY(frame->job().modified);

        // Yes, then a save that fails: the same.
        program.user.answers = {UserInteraction::Answer::Yes};
        program.user.resultsFiles = {std::string("/nonexistent-folder/Results.xls")};
        program.window.closeAction()->trigger();
        QCoreApplication::processEvents();
        QCOMPARE(windowCount(program), 3);
        QCOMPARE(program.user.messages.size(), std::size_t(1));

        // Closing the data window closes only that one.
        frame->dataWindow->close();
        QTRY_COMPARE(windowCount(program), 2);
        QVERIFY(frame);
        QVERIFY(program.user.questions.size() == 3);

        // No: the job and all its windows close.
        program.user.answers = {UserInteraction::Answer::No};
        frame->close();
        QTRY_COMPARE(windowCount(program), 0);
        QTRY_VERIFY(!frame);
    }

    void exitAsksEveryModifiedJob()
    {
        Program program;
        JobFrame* first = openRiver(program);
        JobFrame* second = openRiver(program);
        JobFrame* unanalysed = openRiver(program);
        QVERIFY(first && second && unanalysed);
        first->form()->analyse();
        second->form()->analyse();

        program.user.answers = {UserInteraction::Answer::No, UserInteraction::Answer::Cancel};
        program.window.exitAction()->trigger();
        QCoreApplication::processEvents();
        QVERIFY(program.window.isVisible());
        QCOMPARE(windowCount(program), 3);
        QCOMPARE(program.user.questions.size(), std::size_t(2));

        program.user.answers = {UserInteraction::Answer::No, UserInteraction::Answer::No};
        program.window.exitAction()->trigger();
        QTRY_COMPARE(windowCount(program), 0);
        QVERIFY(!program.window.isVisible());
        QCOMPARE(program.user.questions.size(), std::size_t(4));
    }

    void everyQuestionNamesItsJob()
    {
        // Two jobs on workbooks in two folders, the first one's window in front.
        QTemporaryDir temp;
        QVERIFY(temp.isValid());
        QDir(temp.path()).mkpath(QStringLiteral("a"));
        QDir(temp.path()).mkpath(QStringLiteral("b"));
        const QString first = temp.filePath(QStringLiteral("a/first.xlsx"));
        const QString second = temp.filePath(QStringLiteral("b/second.xlsx"));
        QVERIFY(QFile::copy(kRiver, first));
        QVERIFY(QFile::copy(kRiver, second));
        Program program;
        ModalScript script;
        script.expect(answerWorksheet());
        script.expect(answerWorksheet());
        QPointer<JobFrame> firstFrame = program.window.openWorkbook(first);
        QPointer<JobFrame> secondFrame = program.window.openWorkbook(second);
        QVERIFY(firstFrame && secondFrame);
        firstFrame->form()->analyse();
        secondFrame->form()->analyse();
        program.window.mdiArea()->setActiveSubWindow(firstFrame);

        // Exit: each question comes with its job's window in front and its workbook named.
        std::vector<JobFrame*> inFront;
        program.user.onQuestion = [&] { inFront.push_back(program.window.activeJobFrame()); };
        program.user.answers = {UserInteraction::Answer::No, UserInteraction::Answer::Cancel};
        program.window.exitAction()->trigger();
        QCoreApplication::processEvents();
        QVERIFY(program.window.isVisible());
        QCOMPARE(program.user.questions, (std::vector<std::string>{"Save Results?", "Save Results?"}));
        QCOMPARE(program.user.questionWorkbooks, (std::vector<QString>{first, second}));
        QCOMPARE(inFront, (std::vector<JobFrame*>{firstFrame.data(), secondFrame.data()}));

        // Closing the first job while the second is in front: the first comes forward.
        program.window.mdiArea()->setActiveSubWindow(secondFrame);
        inFront.clear();
        program.user.answers = {UserInteraction::Answer::Cancel};
        firstFrame->close();
        QCOMPARE(inFront, std::vector<JobFrame*>{firstFrame.data()});
        QCOMPARE(program.user.questionWorkbooks.back(), first);
        // No job is named once the question is over.
        QVERIFY(program.user.jobWorkbook().isEmpty());

        // Yes: the save dialog starts in the second workbook's folder; the status bar then
        // says where the results went.
        QString startFolder;
        script.expect([&](QDialog* dialog) {
            auto* save = qobject_cast<ResultsFileDialog*>(dialog);
            QVERIFY(save);
            startFolder = save->directory().absolutePath();
            save->setTypedName(QStringLiteral("Results.xls"));
            QMetaObject::invokeMethod(save, "accept", Qt::DirectConnection);
        });
        program.user.answers = {UserInteraction::Answer::Yes};
        secondFrame->close();
        QTRY_VERIFY(!secondFrame);
        QCOMPARE(startFolder, QFileInfo(second).absolutePath());
        const QString written = temp.filePath(QStringLiteral("b/Results.xls"));
        QVERIFY(QFileInfo::exists(written));
        QVERIFY2(program.window.statusBar()->currentMessage().contains(QDir::toNativeSeparators(written)),
                 qPrintable(program.window.statusBar()->currentMessage()));

        // The Save button: the same folder and message.
        program.user.resultsFiles = {temp.filePath(QStringLiteral("a/Saved.xlsx")).toStdString()};
        QVERIFY(firstFrame->form()->save());
        QVERIFY(program.window.statusBar()->currentMessage().contains(QStringLiteral("Saved.xlsx")));
        QCOMPARE(script.unexpected, 0);
    }

    void layoutErrorOffersTheChoiceAgain()
    {
        const QString lake = QStringLiteral(TORVEN_EXAMPLES_DIR "/lake.xlsx");
        Program program;
        struct Shown {
            int sheet = -1;
            int row = -1;
            int column = -1;
            int family = -1;
        };
        auto shownIn = [](WorksheetSelectDialog* select) {
            Shown shown;
            shown.sheet = select->sheetList()->currentRow();
            shown.row = select->firstRowList()->currentIndex() + 1;
            shown.column = select->firstColumnList()->currentIndex() + 1;
            for (int family : {familyRivers, familyLakes, familyDam})
                if (select->familyButton(family)->isChecked())
                    shown.family = family;
            return shown;
        };

        // The lake sheet's "Lake type" label checks the lakes metric; the user checks the
        // rivers metric instead, and sees the sheet's message and the dialog again with
        // his choices, where Cancel discards the job.
        Shown first, again;
        ModalScript script;
        script.expect([&](QDialog* dialog) {
            auto* select = qobject_cast<WorksheetSelectDialog*>(dialog);
            QVERIFY(select);
            first = shownIn(select);
            select->familyButton(familyRivers)->setChecked(true);
            select->okButton()->click();
        });
        script.expect([&](QDialog* dialog) {
            auto* select = qobject_cast<WorksheetSelectDialog*>(dialog);
            QVERIFY(select);
            again = shownIn(select);
            select->reject();
        });
        QVERIFY(!program.window.openWorkbook(lake));
        QCOMPARE(first.family, int(familyLakes));
        QCOMPARE(program.user.messages,
                 std::vector<std::string>{"Error: Alkalinity values must be in row 4 for TDI3 or TDI4 calculations."});
        QCOMPARE(again.family, int(familyRivers));
        QCOMPARE(again.sheet, first.sheet);
        QCOMPARE(again.row, first.row);
        QCOMPARE(again.column, first.column);
        QCOMPARE(windowCount(program), 0);

        // The same mistake corrected in the dialog shown again: the job opens for lakes.
        script.expect([](QDialog* dialog) {
            auto* select = qobject_cast<WorksheetSelectDialog*>(dialog);
            QVERIFY(select);
            select->familyButton(familyRivers)->setChecked(true);
            select->okButton()->click();
        });
        script.expect(answerWorksheet(familyLakes));
        JobFrame* frame = program.window.openWorkbook(lake);
        QVERIFY(frame);
        QCOMPARE(frame->job().samples.family, int(familyLakes));
        QCOMPARE(program.user.messages.size(), std::size_t(2));

        // The DAM example's calcium label checks the DAM metric.
        int damFamily = -1;
        script.expect([&](QDialog* dialog) {
            auto* select = qobject_cast<WorksheetSelectDialog*>(dialog);
            QVERIFY(select);
            damFamily = shownIn(select).family;
            select->reject();
        });
        QVERIFY(!program.window.openWorkbook(QStringLiteral(TORVEN_EXAMPLES_DIR "/dam.xlsx")));
        QCOMPARE(damFamily, int(familyDam));
        QCOMPARE(script.unexpected, 0);
    }

    void windowMenuListsTheWindowsAndF6KeepsFrames()
    {
        Program program;
        program.window.setGridWindows(std::make_unique<FakeGridWindows>());
        JobFrame* frame = openRiver(program);
        QVERIFY(frame);
        frame->form()->analyse();
        frame->form()->viewDataButton()->click();
        frame->form()->viewResultsButton()->click();
        QCOMPARE(windowCount(program), 3);

        // One entry per window, in the area's order, the active one checked; an entry
        // brings its window to the front.
        auto entries = [&] {
            emit program.window.windowMenu()->aboutToShow();
            QList<QAction*> listed;
            for (QAction* action : program.window.windowMenu()->actions())
                if (action->isCheckable())
                    listed.append(action);
            return listed;
        };
        QList<QAction*> listed = entries();
        QCOMPARE(listed.size(), 3);
        QCOMPARE(listed[0]->text(), QStringLiteral("&1 river.xlsx"));
        QCOMPARE(listed[1]->text(), QStringLiteral("&2 Data view: river.xlsx"));
        QVERIFY(!listed[0]->isChecked() && !listed[1]->isChecked() && listed[2]->isChecked());
        listed[0]->trigger();
        QCOMPARE(program.window.mdiArea()->currentSubWindow(), frame);
        listed = entries();
        QVERIFY(listed[0]->isChecked() && !listed[2]->isChecked());

        // F6 from a maximised results window: the job form keeps its frame and size, the
        // data window takes over the maximised state.
        frame->resultsWindow->showMaximized();
        program.window.mdiArea()->setActiveSubWindow(frame->resultsWindow);
        program.window.mdiArea()->activateNextSubWindow();
        QCOMPARE(program.window.mdiArea()->currentSubWindow(), frame);
        QVERIFY(!frame->isMaximized());
        QCOMPARE(frame->size(), frame->sizeHint());
        program.window.mdiArea()->activateNextSubWindow();
        QCOMPARE(program.window.mdiArea()->currentSubWindow(), frame->dataWindow.data());
        QVERIFY(frame->dataWindow->isMaximized());
        QVERIFY(!frame->resultsWindow->isMaximized());
        frame->closeWithoutAsking();
        QTRY_COMPARE(windowCount(program), 0);
        QCOMPARE(entries().size(), 0);
    }

    void windowsOpenWithinTheScreen()
    {
        // The rule itself: a rect that fits stays; one too large or too far out comes
        // back inside, shrunk only as far as it must.
        const QRect screen(0, 0, 1024, 700);
        QCOMPARE(FitRectInside(QRect(10, 20, 300, 200), screen), QRect(10, 20, 300, 200));
        QCOMPARE(FitRectInside(QRect(900, 600, 300, 200), screen), QRect(724, 500, 300, 200));
        QCOMPARE(FitRectInside(QRect(-50, -10, 1400, 900), screen), screen);
        // The free part of the work area beside a form, or all of it when too little is left.
        const QRect area(0, 0, 1000, 600);
        QCOMPARE(FreeWorkArea(area, {QRect(0, 0, 400, 300)}, QSize(400, 250)), QRect(400, 0, 600, 600));
        QCOMPARE(FreeWorkArea(area, {QRect(0, 0, 800, 300)}, QSize(400, 250)), QRect(0, 300, 1000, 300));
        QCOMPARE(FreeWorkArea(area, {QRect(0, 0, 800, 500)}, QSize(400, 250)), area);
        QCOMPARE(FreeWorkArea(area, {}, QSize(400, 250)), area);

        // A remembered geometry larger than the screen is brought back inside it.
        const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
        {
            Program program;
            program.window.setGeometry(QRect(available.topLeft() + QPoint(200, 100), available.size() * 2));
            program.window.close();  // keeps the geometry in the settings
        }
        Program again;
        QVERIFY2(available.contains(again.window.frameGeometry()),
                 qPrintable(QStringLiteral("%1,%2 %3x%4")
                                .arg(again.window.frameGeometry().x())
                                .arg(again.window.frameGeometry().y())
                                .arg(again.window.frameGeometry().width())
                                .arg(again.window.frameGeometry().height())));
    }

    void menusFollowTheActiveJob()
    {
        Program program;
        MainWindow& window = program.window;
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QCOMPARE(window.windowTitle(), QStringLiteral("TORVENII - Veldrasma"));
        QVERIFY(window.openAction()->isEnabled());
        QVERIFY(!window.saveResultsAction()->isEnabled());
        QVERIFY(!window.closeAction()->isEnabled());
        QVERIFY(!window.taxonListAction()->isEnabled());
        QVERIFY(!window.printSetupAction()->isEnabled());
        QVERIFY(!window.printAction()->isEnabled());
        QCOMPARE(window.helpAction()->text(), QStringLiteral("&Help"));
        QCOMPARE(window.aboutAction()->text(), QStringLiteral("&About TORVEN II ..."));
        QCOMPARE(window.helpAction()->shortcut(), QKeySequence(Qt::Key_F1));
        QCOMPARE(window.saveResultsAction()->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_S));
        QCOMPARE(window.idleMessage()->text(), QStringLiteral("For Help, press F1"));
        QCOMPARE(window.saveResultsAction()->statusTip(), QStringLiteral("Save the active document with a new name"));
        QCOMPARE(window.saveResultsAction()->toolTip(), QStringLiteral("Save As"));
        QCOMPARE(window.taxonListAction()->statusTip(), QStringLiteral("View mater taxon list"));
        // Ctrl+S with no job: nothing handles it.
        QTest::keyClick(&window, Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(program.user.resultsFileRequests, 0);

        JobFrame* frame = openRiver(program);
        QVERIFY(frame);
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QVERIFY(window.closeAction()->isEnabled());
        QVERIFY(!window.saveResultsAction()->isEnabled());
        QCOMPARE(window.helpAction()->text(), QStringLiteral("&Help Topics"));
        QCOMPARE(window.aboutAction()->text(), QStringLiteral("&About TVN..."));
        // Not analysed: the command is disabled, and Ctrl+S says why instead of asking for a file.
        QTest::keyClick(&window, Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(program.user.resultsFileRequests, 0);
        QCOMPARE(program.user.messages, std::vector<std::string>{"No results to save: analyse the job first."});
        program.user.messages.clear();

        frame->form()->analyse();
        QVERIFY(window.saveResultsAction()->isEnabled());
        program.user.resultsFiles = {std::nullopt};
        QTest::keyClick(&window, Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(program.user.resultsFileRequests, 1);

        // F1 reaches the help; with no file and no viewer that is the message.
        QTest::keyClick(&window, Qt::Key_F1);
        QCOMPARE(program.user.messages.back(), std::string(HelpCommand::kNoViewerMessage));
        frame->form()->helpButton()->click();
        QCOMPARE(program.user.messages.size(), std::size_t(2));

        frame->closeWithoutAsking();
        QTRY_COMPARE(windowCount(program), 0);
        QVERIFY(!window.saveResultsAction()->isEnabled());
        QCOMPARE(window.helpAction()->text(), QStringLiteral("&Help"));
        QCOMPARE(window.windowTitle(), QStringLiteral("TORVENII - Veldrasma"));
    }

    void gridWindowsThroughTheHook()
    {
        Program program;
        JobFrame* frame = openRiver(program);
        QVERIFY(!frame->form()->viewDataButton()->isEnabled());
        auto grids = std::make_unique<FakeGridWindows>();
        std::shared_ptr<int> refreshes = grids->refreshes;
        program.window.setGridWindows(std::move(grids));
        QVERIFY(frame->form()->viewDataButton()->isEnabled());
        QVERIFY(!frame->form()->viewResultsButton()->isEnabled());
        QVERIFY(program.window.taxonListAction()->isEnabled());

        frame->form()->viewDataButton()->click();
        QCOMPARE(windowCount(program), 2);
        QMdiSubWindow* data = frame->dataWindow;
        QCOMPARE(data->windowTitle(), QStringLiteral("Data view: river.xlsx"));
        program.window.mdiArea()->setActiveSubWindow(frame);
        // From the data window the commands reach the same job.
        frame->form()->viewDataButton()->click();
        QCOMPARE(windowCount(program), 2);
        QCOMPARE(program.window.mdiArea()->currentSubWindow(), data);
        QCOMPARE(program.window.activeJobFrame(), frame);
        QCOMPARE(program.window.windowTitle(), QStringLiteral("TORVENII - Veldrasma - river.xlsx"));

        frame->form()->analyse();
        QCOMPARE(*refreshes, 1);
        frame->form()->viewResultsButton()->click();
        QCOMPARE(frame->resultsWindow->windowTitle(), QStringLiteral("Results view: river.xlsx"));

        program.window.taxonListAction()->trigger();
        program.window.taxonListAction()->trigger();
        QCOMPARE(windowCount(program), 5);

        frame->closeWithoutAsking();
        // The taxon lists belong to no job and stay.
        QTRY_COMPARE(windowCount(program), 2);
    }

    void recentFiles()
    {
        Program program;
        QTemporaryDir folder;
        for (int i = 1; i <= 5; ++i) {
            const QString copy = folder.filePath(QStringLiteral("river%1.xlsx").arg(i));
            QVERIFY(QFile::copy(kRiver, copy));
            ModalScript script;
            script.expect(answerWorksheet());
            QVERIFY(program.window.openWorkbook(copy));
        }
        const QStringList recent = program.window.recentFiles();
        QCOMPARE(recent.size(), 4);
        QCOMPARE(recent.first(), folder.filePath(QStringLiteral("river5.xlsx")));
        QCOMPARE(recent.last(), folder.filePath(QStringLiteral("river2.xlsx")));
        QCOMPARE(program.window.recentFileActions().first()->text(), QStringLiteral("&1 river5.xlsx"));
        QVERIFY(program.window.recentFileActions().first()->isVisible());
        for (JobFrame* frame : program.window.jobFrames())
            frame->closeWithoutAsking();

        // An entry opens a new job.
        ModalScript script;
        script.expect(answerWorksheet());
        program.window.recentFileActions().at(1)->trigger();
        QCOMPARE(program.window.jobFrames().size(), 1);
        QCOMPARE(program.window.jobFrames().first()->job().samples.title, std::string("river4.xlsx"));
        QCOMPARE(program.window.recentFiles().first(), folder.filePath(QStringLiteral("river4.xlsx")));
    }

    void badInputLeavesTheProgramRunning()
    {
        QTemporaryDir folder;
        const QString damaged = folder.filePath(QStringLiteral("damaged.xlsx"));
        QFile file(damaged);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("PK\x03\x04 this is not a workbook");
        file.close();

        Program program;
        QVERIFY(!program.window.openWorkbook(damaged));
        QCOMPARE(program.user.messages, std::vector<std::string>{"Error reading file"});
        QCOMPARE(windowCount(program), 0);
        // The program goes on: a good workbook still opens.
        QVERIFY(openRiver(program));

        // Cancel in the worksheet dialog discards the job without a message.
        ModalScript script;
        script.expect([](QDialog* dialog) { dialog->reject(); });
        QVERIFY(!program.window.openWorkbook(kRiver));
        QCOMPARE(program.user.messages.size(), std::size_t(1));
        QCOMPARE(windowCount(program), 1);

        // Without a database: the messages, then every import stops at the taxon list.
        Program withoutDatabase(folder.filePath(QStringLiteral("TORVENII.mdb")).toStdString());
        QVERIFY(withoutDatabase.user.messages.size() >= 2);
        QCOMPARE(withoutDatabase.user.messages.back(), std::string("Error opening database"));
        QVERIFY(!withoutDatabase.window.openWorkbook(kRiver));
        QCOMPARE(withoutDatabase.user.messages.back(), std::string("Error retrieving taxon list"));
        QVERIFY(withoutDatabase.window.isVisible());
        // The master taxon list says why it cannot be shown, and opens no empty window.
        withoutDatabase.window.setGridWindows(std::make_unique<FakeGridWindows>());
        const std::size_t before = withoutDatabase.user.messages.size();
        withoutDatabase.window.taxonListAction()->trigger();
        QCOMPARE(withoutDatabase.user.messages.size(), before + 1);
        QCOMPARE(withoutDatabase.user.messages.back(), std::string("Error retrieving taxon list"));
        QVERIFY(QString::fromStdString(withoutDatabase.user.details.back())
                    .contains(folder.filePath(QStringLiteral("TORVENII.mdb"))));
        QCOMPARE(windowCount(withoutDatabase), 0);
    }

    void startUpBesideTheProgram()
    {
        // A program in a folder without its database: the start-up's two messages as
        // message boxes, then the main window, idle and enabled.
        QTemporaryDir folder;
        ModalScript script;
        QStringList texts;
        QStringList details;
        for (int i = 0; i < 2; ++i)
            script.expect([&texts, &details](QDialog* dialog) {
                auto* box = qobject_cast<QMessageBox*>(dialog);
                QVERIFY(box);
                texts.append(box->text());
                details.append(box->informativeText());
                box->accept();
            });
        StartOptions options;
        options.splashMilliseconds = 0;
        options.programFilePath = folder.filePath(QStringLiteral("torven"));
        std::unique_ptr<DesktopProgram> program = StartDesktopProgram(options);
        QCOMPARE(texts.size(), 2);
        QCOMPARE(texts.last(), QStringLiteral("Error opening database"));
        // Every place it looked: the user's data folder, beside the program, the system's
        // data folders (the tests have none of their own) and the installed data folder.
        const QString installed = QDir::cleanPath(folder.path() + QStringLiteral("/../share/torven-ii")) + '/';
        const QString home = qEnvironmentVariable("HOME");
        QCOMPARE(details.last(), QStringLiteral("TORVENII.mdb: not found in ") + home +
                                     QStringLiteral("/.local/share/torven-ii/ nor in ") + folder.path() +
                                     QStringLiteral("/ nor in ") + qEnvironmentVariable("XDG_DATA_DIRS") +
                                     QStringLiteral("/torven-ii/ nor in ") + installed);
        QCOMPARE(program->mainWindow->windowTitle(), QStringLiteral("TORVENII - Veldrasma"));
        QVERIFY(program->mainWindow->isEnabled());
        QCOMPARE(program->help->helpPath(), folder.filePath(QStringLiteral("TORVENII.pdf")));
        QCOMPARE(QCoreApplication::organizationName(), QStringLiteral("TORVENII"));
        QCOMPARE(QCoreApplication::applicationName(), QStringLiteral("TORVENII"));

        // The desktop entry and the windows agree on the program's name: the entry's file
        // is the desktop file name, and it names the window class the windows carry.
        QFile entry(QStringLiteral(TORVEN_EXAMPLES_DIR "/../../packaging/") + QGuiApplication::desktopFileName() +
                    QStringLiteral(".desktop"));
        QVERIFY2(entry.open(QIODevice::ReadOnly), qPrintable(entry.fileName()));
        const QStringList lines = QString::fromUtf8(entry.readAll()).split(QLatin1Char('\n'));
        QVERIFY(lines.contains(QStringLiteral("StartupWMClass=") + QCoreApplication::applicationName()));
    }

    // --version and --help are answered before any display is opened.
    void versionAndHelpWithoutADisplay()
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            environment.remove(QString::fromLatin1(name));
        for (const QString& option : {QStringLiteral("--version"), QStringLiteral("--help")}) {
            QProcess torven;
            torven.setProcessEnvironment(environment);
            torven.start(QStringLiteral(TORVEN_BIN_DIR "/torven"), {option});
            QVERIFY(torven.waitForFinished(30000));
            QCOMPARE(torven.exitStatus(), QProcess::NormalExit);
            QCOMPARE(torven.exitCode(), 0);
            const QString out = QString::fromUtf8(torven.readAllStandardOutput());
            QVERIFY2(out.startsWith(option == QStringLiteral("--version") ? QStringLiteral("TORVEN II Version ")
                                                                          : QStringLiteral("Usage:")),
                     qPrintable(out));
        }
    }

    void referenceDatabaseChosenCheckedAndNamedInEveryJob()
    {
        QTemporaryDir folder;
        const std::string planted = folder.filePath(QStringLiteral("planted.mdb")).toStdString();
        std::string error;
        QVERIFY2(reference_fixture::writeReference(planted, reference_fixture::plantedReference(), error), error.c_str());

        // The bundled database: no problems, so no window; its jobs say it is demonstration data.
        Program program;
        program.window.showReferenceProblemsIfAny();
        QVERIFY(!program.window.findChild<ReferenceDatabaseDialog*>());
        {
            ModalScript script;
            script.expect(answerWorksheet());
            JobFrame* frame = program.window.openWorkbook(kRiver);
            QVERIFY(frame);
            QVERIFY(frame->job().samples.summary.ends_with(
                "\r\n\r\nReference database: demonstration data, not for reporting"));
            frame->close();
        }

        // The user's own database with problems: they show at once, in a window that copies.
        QVERIFY(program.window.useReferenceDatabase(QString::fromStdString(planted)));
        auto* window = program.window.findChild<ReferenceDatabaseDialog*>();
        QVERIFY(window);
        QVERIFY(window->isVisible());
        for (const std::string& line : reference_fixture::plantedProblemLines())
            QVERIFY2(window->text().contains(QString::fromStdString(line)), line.c_str());
        QVERIFY(window->text().contains(QStringLiteral("\n7 problems found\n")));
        QGuiApplication::clipboard()->clear();
        auto* copy = window->findChild<QPushButton*>();
        for (QPushButton* button : window->findChildren<QPushButton*>())
            if (button->text() == QStringLiteral("&Copy"))
                copy = button;
        copy->click();
        QCOMPARE(QGuiApplication::clipboard()->text(), window->text());
        window->close();
        QCOMPARE(torven::ChosenReferenceDatabase(), planted);

        // Every job opened from now on says so, and is no longer marked demonstration data.
        {
            ModalScript script;
            script.expect(answerWorksheet());
            JobFrame* frame = program.window.openWorkbook(kRiver);
            QVERIFY(frame);
            const std::string& summary = frame->job().samples.summary;
            QVERIFY(summary.ends_with("\r\n\r\nReference database: 7 problems found (see Help > Reference database, or "
                                      "torven-cli refdb --check)"));
            QVERIFY(summary.find("demonstration data") == std::string::npos);
            frame->close();
        }

        // A file that is no database is not taken: the one before stays, and so does the choice.
        const QString garbage = folder.filePath(QStringLiteral("garbage.mdb"));
        QFile file(garbage);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(8192, 'x'));
        file.close();
        QVERIFY(!program.window.useReferenceDatabase(garbage));
        QCOMPARE(program.user.messages.back(), std::string("Error opening database"));
        QCOMPARE(program.app.referencePath, planted);
        QVERIFY(program.app.masterTaxonList);
        QCOMPARE(torven::ChosenReferenceDatabase(), planted);

        // Help > Reference database shows the window again at any time.
        program.window.referenceDatabaseAction()->trigger();
        QTRY_VERIFY(program.window.findChild<ReferenceDatabaseDialog*>());
        program.window.findChild<ReferenceDatabaseDialog*>()->close();
        QVERIFY(torven::SaveChosenReferenceDatabase("", error));
    }

    void aWorkbookOnTheCommandLineOpensInTheWorksheetDialog()
    {
        // As "Open with" starts it: the worksheet dialog comes once the splash has gone,
        // and its OK opens the job form.
        ModalScript script;
        QString title;
        script.expect([&title](QDialog* dialog) {
            title = dialog->windowTitle();
            QVERIFY(qobject_cast<WorksheetSelectDialog*>(dialog));
            QMetaObject::invokeMethod(dialog, "accept", Qt::QueuedConnection);
        });
        StartOptions options;
        options.splashMilliseconds = 100;
        options.programFilePath = QStringLiteral(TORVEN_BIN_DIR "/torven");
        options.workbook = kRiver;
        std::unique_ptr<DesktopProgram> program = StartDesktopProgram(options);
        QVERIFY(program->mainWindow->jobFrames().isEmpty());
        QTRY_VERIFY_WITH_TIMEOUT(program->mainWindow->jobFrames().size() == 1, 10000);
        QCOMPARE(title, QStringLiteral("Select worksheet"));
        QCOMPARE(script.unexpected, 0);
        QCOMPARE(program->mainWindow->jobFrames().first()->windowTitle(), QStringLiteral("river.xlsx"));
    }

    // Ctrl+S onto the reference database the job read, under another name (a link that
    // looks like a results file): refused naming the file, the database left whole.
    void aSaveOverTheReferenceDatabaseIsRefused()
    {
        QTemporaryDir folder;
        const QString database = folder.filePath(QStringLiteral("my.mdb"));
        QVERIFY(QFile::copy(QStringLiteral(TORVEN_DATABASE), database));
        const QString link = folder.filePath(QStringLiteral("Results.xlsx"));
        QVERIFY(::link(QFile::encodeName(database).constData(), QFile::encodeName(link).constData()) == 0);
        QFile original(database);
        QVERIFY(original.open(QIODevice::ReadOnly));
        const QByteArray before = original.readAll();
        original.close();

        Program program(database.toStdString());
        JobFrame* frame = openRiver(program);
        QVERIFY(frame);
        frame->form()->analyse();
        program.window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&program.window));
        program.user.resultsFiles = {link.toStdString()};
        QTest::keyClick(&program.window, Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(program.user.resultsFileRequests, 1);
        QCOMPARE(program.user.messages,
                 std::vector<std::string>{"cannot write \"" + link.toStdString()
                                          + "\": it is the reference database this job reads"});
        QVERIFY(program.user.details.back().find(link.toStdString()) != std::string::npos);
        QVERIFY(frame->job().modified);
        QVERIFY(original.open(QIODevice::ReadOnly));
        QCOMPARE(original.readAll(), before);
        frame->closeWithoutAsking();
    }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
