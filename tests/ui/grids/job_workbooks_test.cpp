// The job form's "Add workbook": the river example cut by sample columns into three
// workbooks, opened and added one by one as a user does, gives the command line's results
// of the same three files; a cancelled choice, a sample the job already has, a file that
// is no workbook and a workbook of another metric each leave the job exactly as it was.

#include <QComboBox>
#include <QListWidget>
#include <QMdiArea>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

#include <filesystem>

#include "app/application.h"
#include "app/job.h"
#include "results/results_csv.h"
#include "tests/support/split_workbook.h"
#include "tests/support/temp_dir.h"
#include "tests/ui/ui_test_support.h"
#include "ui/help_command.h"
#include "ui/job_form.h"
#include "ui/job_frame.h"
#include "ui/main_window.h"
#include "ui/worksheet_select_dialog.h"

namespace fs = std::filesystem;
using testing_support::readFile;
using testing_support::shellQuote;

namespace {

const std::string kRiver = TORVEN_EXAMPLES_DIR "/river.xlsx";

struct Program {
    TestUser user;
    Application app{user};
    HelpCommand help{QStringLiteral("/nonexistent/TORVENII.pdf"), user};
    MainWindow window{app, user, help};

    Program()
    {
        app.OpenReferenceData(TORVEN_DATABASE);
        user.setParentWidget(&window);
        help.setExternalViewer([](const QString&) { return false; });
        window.resize(1100, 750);
        window.show();
    }
};

// The river example in three workbooks, parts-1.xlsx to parts-3.xlsx in dir.
struct RiverParts {
    testing_support::TempDir dir;
    QString part(int n) const { return QString::fromStdString(dir.file("parts-" + std::to_string(n) + ".xlsx")); }
    bool written = false;
    RiverParts()
    {
        std::string output;
        written = testing_support::splitWorkbook(kRiver, dir.file("parts"), "xlsx", "books", &output) == 0;
        if (!written)
            qWarning("%s", output.c_str());
    }
};

// Answers a worksheet dialog with OK, as it opened.
void acceptAsOffered(QDialog* dialog)
{
    auto* select = qobject_cast<WorksheetSelectDialog*>(dialog);
    QVERIFY(select);
    select->okButton()->click();
}

JobFrame* openWith(Program& program, const QString& path)
{
    ModalScript script;
    script.expect(acceptAsOffered);
    return program.window.openWorkbook(path);
}

// What a user can see of a job's samples: the summary and the data.
struct JobSnapshot {
    std::string summary;
    int samples = 0, taxa = 0;
    std::size_t sources = 0;
    std::vector<std::string> names;
    explicit JobSnapshot(const Job& job)
        : summary(job.summary()), samples(job.samples.sampleCount), taxa(job.samples.taxonCount),
          sources(job.samples.sources.size()), names(job.samples.headerValues.empty() ? std::vector<std::string>()
                                                                                      : job.samples.headerValues[0])
    {
    }
    bool operator==(const JobSnapshot&) const = default;
};

// The job summary's analysis part: from the metric line to the provenance.
std::string analysisPart(const std::string& summary)
{
    const std::size_t from = summary.find("\nMetric:\t");
    const std::size_t to = summary.find("\nProgram: ");
    if (from == std::string::npos || to == std::string::npos || to < from)
        return "no analysis part in: " + summary;
    return summary.substr(from, to - from);
}

}  // namespace

class JobWorkbooksTest : public QObject {
    Q_OBJECT

private slots:
    void threeWorkbooksGiveTheCommandLinesResults();
    void aCancelledChoiceChangesNothing();
    void aRefusedWorkbookChangesNothing();
};

void JobWorkbooksTest::threeWorkbooksGiveTheCommandLinesResults()
{
    RiverParts parts;
    QVERIFY(parts.written);
    Program program;
    JobFrame* frame = openWith(program, parts.part(1));
    QVERIFY(frame);
    JobForm* form = frame->form();
    QVERIFY(form->addWorkbookButton()->isEnabled());
    const int firstRow = frame->job().samples.headerRowCount + 1;

    // Two workbooks at once: each one's dialog opens with the last choice and the job's
    // metric.
    ModalScript script;
    int offered = 0;
    for (int n = 0; n < 2; ++n)
        script.expect([&, firstRow](QDialog* dialog) {
            auto* select = qobject_cast<WorksheetSelectDialog*>(dialog);
            QVERIFY(select);
            ++offered;
            QCOMPARE(select->sheetList()->currentItem()->text(), QStringLiteral("Samples"));
            QCOMPARE(select->choice().firstDataRow, firstRow);
            QCOMPARE(select->choice().firstDataColumn, 3);
            QVERIFY(select->familyButton(familyRivers)->isChecked());
            select->okButton()->click();
        });
    QVERIFY(form->addWorkbooks({parts.part(2), parts.part(3)}));
    QVERIFY(script.done());
    QCOMPARE(offered, 2);
    QCOMPARE(script.unexpected, 0);
    QVERIFY(program.user.messages.empty());
    const Job& job = frame->job();
    QCOMPARE(job.samples.sources.size(), std::size_t(3));

    // The summary lists each workbook with its sheet, samples and taxa.
    const QString summary = form->summaryBox()->toPlainText();
    for (int n = 1; n <= 3; ++n)
        QVERIFY2(summary.contains(QStringLiteral("File:\tparts-%1.xlsx\nWorksheet:\tSamples\nSamples:\t").arg(n)),
                 qPrintable(summary));

    form->analyse();
    QVERIFY(job.analysed);
    QVERIFY(!form->addWorkbookButton()->isEnabled());  // the results are of these samples

    const testing_support::TempDir out;
    std::string error;
    QVERIFY2(results::WriteResultsCsv(job, out.file("desktop"), error), error.c_str());
    const std::string cli = std::string(TORVEN_BIN_DIR) + "/torven-cli";
    int status = -1;
    const std::string output = testing_support::commandOutput(
        shellQuote(cli) + " assess --quiet " + shellQuote(parts.part(1).toStdString()) + " " +
            shellQuote(parts.part(2).toStdString()) + " " + shellQuote(parts.part(3).toStdString()) + " --db " +
            shellQuote(TORVEN_DATABASE) + " --csv " + shellQuote(out.file("cli")) + " 2>&1",
        &status);
    QVERIFY2(status == 0, output.c_str());
    int compared = 0;
    for (const auto& entry : fs::directory_iterator(out.file("cli"))) {
        const std::string name = entry.path().filename().string();
        const std::string fromCli = readFile(entry.path().string());
        const std::string fromDesktop = readFile(out.file("desktop/" + name));
        ++compared;
        if (name == "job-summary.txt")
            QCOMPARE(analysisPart(fromDesktop), analysisPart(fromCli));
        else
            QVERIFY2(fromDesktop == fromCli, name.c_str());
    }
    QVERIFY(compared >= 5);
}

void JobWorkbooksTest::aCancelledChoiceChangesNothing()
{
    RiverParts parts;
    QVERIFY(parts.written);
    Program program;
    JobFrame* frame = openWith(program, parts.part(1));
    QVERIFY(frame);
    const JobSnapshot before(frame->job());
    const QString shown = frame->form()->summaryBox()->toPlainText();

    // One workbook, its dialog cancelled.
    {
        ModalScript script;
        script.expect([](QDialog* dialog) { dialog->reject(); });
        QVERIFY(!frame->form()->addWorkbooks({parts.part(2)}));
        QVERIFY(script.done());
    }
    QVERIFY(JobSnapshot(frame->job()) == before);
    // Two, the first accepted and the second cancelled: neither joins.
    {
        ModalScript script;
        script.expect(acceptAsOffered);
        script.expect([](QDialog* dialog) { dialog->reject(); });
        QVERIFY(!frame->form()->addWorkbooks({parts.part(2), parts.part(3)}));
        QVERIFY(script.done());
    }
    QVERIFY(JobSnapshot(frame->job()) == before);
    QCOMPARE(frame->form()->summaryBox()->toPlainText(), shown);
    QVERIFY(program.user.messages.empty());
    QVERIFY(!frame->job().modified);
    QVERIFY(frame->form()->addWorkbookButton()->isEnabled());
}

void JobWorkbooksTest::aRefusedWorkbookChangesNothing()
{
    RiverParts parts;
    QVERIFY(parts.written);
    const std::string copy = parts.dir.file("copy-of-1.xlsx");
    fs::copy_file(parts.part(1).toStdString(), copy);
    const std::string notABook = parts.dir.file("notes.xlsx");
    testing_support::writeFile(notABook, "these are no counts\n");

    Program program;
    JobFrame* frame = openWith(program, parts.part(1));
    QVERIFY(frame);
    const JobSnapshot before(frame->job());
    const std::string firstName = before.names.at(0);

    // A sample the job has already: refused, naming the sample and both places.
    {
        ModalScript script;
        script.expect(acceptAsOffered);
        script.expect(acceptAsOffered);
        QVERIFY(!frame->form()->addWorkbooks({parts.part(2), QString::fromStdString(copy)}));
        QVERIFY(script.done());
    }
    QVERIFY(JobSnapshot(frame->job()) == before);
    QCOMPARE(program.user.messages.size(), std::size_t(1));
    QCOMPARE(program.user.messages[0],
             "Sample \"" + firstName + "\" occurs twice in the job: in parts-1.xlsx (sheet \"Samples\", column C) and in "
             "copy-of-1.xlsx (sheet \"Samples\", column C). Nothing was added.");
    program.user.messages.clear();
    program.user.details.clear();

    // A file that is no workbook: named, and no dialog opens for the others.
    {
        ModalScript script;
        QVERIFY(!frame->form()->addWorkbooks({parts.part(2), QString::fromStdString(notABook)}));
        QCOMPARE(script.unexpected, 0);
    }
    QVERIFY(JobSnapshot(frame->job()) == before);
    QCOMPARE(program.user.messages, std::vector<std::string>{"Error reading file"});
    QVERIFY2(program.user.details[0].find(notABook) == 0, program.user.details[0].c_str());
    program.user.messages.clear();
    program.user.details.clear();

    // A choice that fails the layout check: its message names the workbook, the dialog
    // comes back, and Cancel there leaves the job as it was.
    {
        ModalScript script;
        script.expect([](QDialog* dialog) {
            auto* select = qobject_cast<WorksheetSelectDialog*>(dialog);
            QVERIFY(select);
            select->setChoice({0, 1, 3, familyRivers});
            select->okButton()->click();
        });
        script.expect([](QDialog* dialog) { dialog->reject(); });
        QVERIFY(!frame->form()->addWorkbooks({parts.part(2)}));
        QVERIFY(script.done());
    }
    QVERIFY(JobSnapshot(frame->job()) == before);
    QCOMPARE(program.user.messages.size(), std::size_t(1));
    QVERIFY2(program.user.messages[0].rfind("Insufficient data to calculate EQR.", 0) == 0,
             program.user.messages[0].c_str());
    QCOMPARE(program.user.details[0], parts.part(2).toStdString());
    QVERIFY(!frame->job().modified);

    // The job still takes a good workbook afterwards.
    {
        ModalScript script;
        script.expect(acceptAsOffered);
        QVERIFY(frame->form()->addWorkbooks({parts.part(2)}));
    }
    QCOMPARE(frame->job().samples.sources.size(), std::size_t(2));
}

QTEST_MAIN(JobWorkbooksTest)
#include "job_workbooks_test.moc"
