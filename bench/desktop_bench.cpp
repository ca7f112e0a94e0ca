// The desktop program's waits, measured on Qt's offscreen platform (or the display):
//   start-up: from the application object to an idle main window (no splash time);
//   preview:  from the worksheet dialog's creation to its first painted screen;
//   open:     from File > Open's choice to the worksheet dialog painted, and the longest
//             time the window thread went without turning its event loop meanwhile;
//   OK:       from OK in the dialog to the job form on screen with the summary;
//   Analyse, View Results, Save: from the button to the job form (or window) painted.
//
//   QT_QPA_PLATFORM=offscreen desktop_bench [SAMPLES] [TAXA]
//   QT_QPA_PLATFORM=offscreen desktop_bench WORKBOOK.xlsx   (one already written, such as
//   river_workbook's for bench/read_bench)
//   (defaults: 5000 samples, 1000 taxa; the database beside the program)
#include <QApplication>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <random>

#include "app/application.h"
#include "app/job.h"
#include "ui/sheet_preview_grid.h"
#include "ui/job_form.h"
#include "ui/job_frame.h"
#include "ui/main_window.h"
#include "ui/startup.h"
#include "ui/worksheet_select_dialog.h"
#include "workbook/book.h"
#include "import/worksheet_choice.h"

namespace {

// A river workbook: four header rows, taxon codes of the bundled list (the same ones
// repeated when it is shorter) with about one count in eight cells.
bool writeWorkbook(const std::string& path, const Application& app, int samples, int taxa)
{
    std::vector<std::string> codes;
    if (app.masterTaxonList)
        for (int r = 0; r < app.masterTaxonList->rowCount; ++r) {
            std::string code;
            if (app.masterTaxonList->GetString(r, 1, code) && !code.empty())
                codes.push_back(code);
        }
    if (codes.empty())
        codes.push_back("NOLIST");
    auto book = wb::xlCreateXMLBook();
    wb::Sheet* sheet = book->addSheet("Samples");
    sheet->writeStr(0, 0, "Sample");
    sheet->writeStr(1, 0, "Site code");
    sheet->writeStr(2, 0, "Sampling date");
    sheet->writeStr(3, 0, "Alkalinity (mg/l)");
    std::mt19937 rng(7);
    for (int s = 0; s < samples; ++s) {
        sheet->writeStr(0, 2 + s, "S" + std::to_string(s + 1));
        sheet->writeStr(1, 2 + s, "SITE" + std::to_string(s / 5));
        sheet->writeNum(2, 2 + s, 44927 + s % 365);
        sheet->writeNum(3, 2 + s, 10 + rng() % 190);
    }
    for (int t = 0; t < taxa; ++t) {
        sheet->writeStr(4 + t, 0, codes[static_cast<std::size_t>(t) % codes.size()]);
        sheet->writeStr(4 + t, 1, "Taxon " + std::to_string(t));
        for (int s = 0; s < samples; ++s)
            if ((rng() & 7) == 0)
                sheet->writeNum(4 + t, 2 + s, 1 + rng() % 60);
    }
    return book->save(path);
}

}  // namespace

int main(int argc, char** argv)
{
    QElapsedTimer clock;
    clock.start();
    QTemporaryDir folder;
    qputenv("XDG_CONFIG_HOME", folder.path().toLocal8Bit());
    QApplication application(argc, argv);
    const std::string given = argc > 1 ? argv[1] : "";
    const bool ownWorkbook = given.ends_with(".xlsx") || given.ends_with(".xls");
    const int samples = argc > 1 && !ownWorkbook ? std::atoi(argv[1]) : 5000;
    const int taxa = argc > 2 ? std::atoi(argv[2]) : 1000;

    StartOptions options;
    options.splashMilliseconds = 0;
    std::unique_ptr<DesktopProgram> program = StartDesktopProgram(options);
    QEventLoop idle;
    QTimer::singleShot(0, &idle, &QEventLoop::quit);
    idle.exec();
    std::printf("start-up to idle main window: %.0f ms\n", static_cast<double>(clock.elapsed()));

    const std::string input = ownWorkbook ? given : folder.filePath(QStringLiteral("large.xlsx")).toStdString();
    if (!ownWorkbook && !writeWorkbook(input, *program->app, samples, taxa))
        return 1;

    // The preview alone, on the loaded book.
    auto book = worksheet::CreateBookFor(input);
    clock.restart();
    if (!book->load(input))
        return 1;
    std::printf("workbook load (%d x %d): %.0f ms\n", samples, taxa, static_cast<double>(clock.elapsed()));
    clock.restart();
    {
        WorksheetSelectDialog dialog(book.get(), {book->getSheet(0)->name()}, familyRivers);
        dialog.show();
        dialog.grid()->viewport()->repaint();
        QCoreApplication::processEvents();
        std::printf("preview, dialog created to first screen painted: %.0f ms\n", static_cast<double>(clock.elapsed()));
        clock.restart();
        dialog.grid()->fitColumnWidths();
        std::printf("  of which fitting the column widths: %.0f ms\n", static_cast<double>(clock.elapsed()));
    }

    // The road: OK pressed once the dialog is up, then the job form. A timer on the window
    // thread measures how long its event loop stood still while the workbook was read.
    qint64 okPressed = -1;
    qint64 lastTick = 0;
    qint64 longestStill = 0;
    QTimer heartbeat;
    heartbeat.setInterval(10);
    QObject::connect(&heartbeat, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        if (okPressed < 0)
            longestStill = std::max(longestStill, now - lastTick);
        lastTick = now;
    });
    heartbeat.start();
    QTimer poll;
    poll.setInterval(5);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<WorksheetSelectDialog*>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible())
            return;
        poll.stop();
        okPressed = clock.elapsed();
        dialog->okButton()->click();
    });
    poll.start();
    clock.restart();
    JobFrame* frame = program->mainWindow->openWorkbook(QString::fromStdString(input));
    if (!frame || okPressed < 0)
        return 1;
    frame->form()->summaryBox()->repaint();
    QCoreApplication::processEvents();
    std::printf("open: load and preview until the dialog is up: %lld ms\n", static_cast<long long>(okPressed));
    std::printf("  longest the window thread stood still meanwhile: %lld ms\n", static_cast<long long>(longestStill));
    std::printf("OK to job form with summary: %lld ms\n", static_cast<long long>(clock.elapsed() - okPressed));
    heartbeat.stop();

    clock.restart();
    frame->form()->analyseButton()->click();
    frame->form()->summaryBox()->repaint();
    QCoreApplication::processEvents();
    std::printf("Analyse to summary painted: %.0f ms\n", static_cast<double>(clock.elapsed()));
    clock.restart();
    frame->form()->viewResultsButton()->click();
    QCoreApplication::processEvents();
    std::printf("View Results to window painted: %.0f ms\n", static_cast<double>(clock.elapsed()));
    clock.restart();
    const std::string output = folder.filePath(QStringLiteral("results.xlsx")).toStdString();
    if (!frame->job().SaveResultsTo(output))
        return 1;
    std::printf("Save (results.xlsx): %.0f ms\n", static_cast<double>(clock.elapsed()));

    frame->closeWithoutAsking();
    return 0;
}
