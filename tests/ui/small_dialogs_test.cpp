#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPdfDocument>
#include <QPdfSelection>
#include <QPdfView>
#include <QScreen>
#include <QMessageBox>
#include <QPainter>
#include <QPdfWriter>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include "app/job.h"
#include "tests/ui/ui_test_support.h"
#include "ui/about_dialog.h"
#include "ui/default_dialog.h"
#include "ui/help_command.h"
#include "ui/help_window.h"
#include "ui/job_form.h"
#include "ui/results_file_dialog.h"
#include "ui/splash_window.h"

namespace {

// Types into the three boxes and presses OK; true when the dialog accepted.
bool enter(DefaultDialog& dialog, const QString& alkalinity, const QString& calcium, const QString& doc)
{
    dialog.box(DefaultValueBox::alkalinity)->setText(alkalinity);
    dialog.box(DefaultValueBox::calcium)->setText(calcium);
    dialog.box(DefaultValueBox::doc)->setText(doc);
    dialog.setResult(QDialog::Rejected);
    dialog.okButton()->click();
    return dialog.result() == QDialog::Accepted;
}

void chooseFileType(ResultsFileDialog& dialog, int index)
{
    auto* combo = dialog.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
    QVERIFY(combo);
    combo->setCurrentIndex(index);
    emit combo->activated(index);
    emit combo->textActivated(combo->itemText(index));
}

}  // namespace

class SmallDialogsTest : public QObject {
    Q_OBJECT
private slots:
    void defaultValuesShownWithoutLocale()
    {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        TestUser user;
        DefaultDialog dialog(DefaultValues{100, 100, 1}, user);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Default values"));
        QCOMPARE(dialog.box(DefaultValueBox::alkalinity)->text(), QStringLiteral("100"));
        QCOMPARE(dialog.box(DefaultValueBox::calcium)->text(), QStringLiteral("100"));
        QCOMPARE(dialog.box(DefaultValueBox::doc)->text(), QStringLiteral("1"));
        // A point is the decimal mark whatever the locale.
        QVERIFY(enter(dialog, QStringLiteral("12.5"), QStringLiteral("100"), QStringLiteral("1")));
        QCOMPARE(dialog.values().alkalinityMgL, 12.5);
        QLocale::setDefault(QLocale::c());
    }

    void defaultValuesChecks()
    {
        TestUser user;
        DefaultDialog dialog(DefaultValues{100, 100, 1}, user);
        dialog.show();
        QVERIFY(enter(dialog, QStringLiteral("1000"), QStringLiteral("100"), QStringLiteral("0")));
        QCOMPARE(dialog.values().alkalinityMgL, 1000.0);
        QCOMPARE(dialog.values().calciumUeqL, 100.0);
        QCOMPARE(dialog.values().docMgL, 0.0);
        QVERIFY(user.messages.empty());

        DefaultDialog refused(DefaultValues{100, 100, 1}, user);
        refused.show();
        QVERIFY(!enter(refused, QStringLiteral("1000.5"), QStringLiteral("100"), QStringLiteral("1")));
        QCOMPARE(user.messages.back(), std::string("Please enter a number between 0 and 1000."));
        QCOMPARE(refused.focusWidget(), refused.box(DefaultValueBox::alkalinity));
        QCOMPARE(refused.values().alkalinityMgL, 100.0);

        QVERIFY(!enter(refused, QStringLiteral("50"), QStringLiteral("101"), QStringLiteral("1")));
        QCOMPARE(user.messages.back(), std::string("Please enter a number between 0 and 100."));
        QCOMPARE(refused.focusWidget(), refused.box(DefaultValueBox::calcium));
        // Nothing is taken while one box fails, not even the boxes before it.
        QCOMPARE(refused.values().alkalinityMgL, 100.0);

        QVERIFY(!enter(refused, QStringLiteral("50"), QStringLiteral("100"), QStringLiteral("20.1")));
        QCOMPARE(user.messages.back(), std::string("Please enter a number between 0 and 20."));
        QCOMPARE(refused.focusWidget(), refused.box(DefaultValueBox::doc));

        // The order of the checks: the first failing box is the one named.
        QVERIFY(!enter(refused, QString(), QStringLiteral("abc"), QStringLiteral("1")));
        QCOMPARE(user.messages.back(), std::string("Please enter a number."));
        QCOMPARE(refused.focusWidget(), refused.box(DefaultValueBox::alkalinity));
        QCOMPARE(user.messages.size(), std::size_t(4));
    }

    void changeDefaultsOnTheJob()
    {
        TestUser user;
        Job job(nullptr, user);
        JobForm form(job, user);
        ModalScript script;
        script.expect([](QDialog* dialog) {
            auto* defaults = qobject_cast<DefaultDialog*>(dialog);
            QVERIFY(defaults);
            defaults->box(DefaultValueBox::alkalinity)->setText(QStringLiteral("5"));
            defaults->box(DefaultValueBox::doc)->setText(QStringLiteral("2"));
            defaults->reject();
        });
        form.changeDefaultsButton()->click();
        QCOMPARE(job.samples.defaultAlkalinity, 100.0);
        QCOMPARE(job.samples.defaultDOC, 1.0);

        script.expect([](QDialog* dialog) {
            auto* defaults = qobject_cast<DefaultDialog*>(dialog);
            QVERIFY(defaults);
            defaults->box(DefaultValueBox::alkalinity)->setText(QStringLiteral("5"));
            defaults->box(DefaultValueBox::calcium)->setText(QStringLiteral("40"));
            defaults->box(DefaultValueBox::doc)->setText(QStringLiteral("2"));
            defaults->okButton()->click();
        });
        form.changeDefaultsButton()->click();
        QCOMPARE(job.samples.defaultAlkalinity, 5.0);
        QCOMPARE(job.samples.defaultCalcium, 40.0);
        QCOMPARE(job.samples.defaultDOC, 2.0);
        QCOMPARE(script.unexpected, 0);
    }

    void aboutText()
    {
        AboutDialog dialog;
        QCOMPARE(dialog.windowTitle(), QStringLiteral("About TORVEN II"));
        QCOMPARE(dialog.text().section(QLatin1Char('\n'), 0, 0), QStringLiteral("TORVEN II Version 2.0.13.0"));
        QVERIFY(dialog.text().contains(QStringLiteral("GNU General Public License")));

        // The reference database's identity lines close the text, after an empty line.
        AboutDialog withDatabase(nullptr, {"Reference database: TORVENII.mdb (77,824 bytes, modified x)",
                                         "Reference database SHA-256: 8e06"});
        QVERIFY(withDatabase.text().endsWith(
            QStringLiteral("where you can.\n\nReference database: TORVENII.mdb (77,824 bytes, modified x)\n"
                           "Reference database SHA-256: 8e06")));
    }

    void resultsFileDialogRewritesTheName()
    {
        ResultsFileDialog dialog;
        QCOMPARE(dialog.nameFilters(),
                 QStringList({QStringLiteral("Excel 97-2003 (*.xls)"), QStringLiteral("Excel 2007 (*.xlsx)")}));
        QCOMPARE(dialog.selectedNameFilter(), QStringLiteral("Excel 97-2003 (*.xls)"));
        QCOMPARE(dialog.typedName(), QStringLiteral("Results.xls"));
        QVERIFY(dialog.testOption(QFileDialog::DontUseNativeDialog));
        QVERIFY(!dialog.testOption(QFileDialog::DontConfirmOverwrite));

        chooseFileType(dialog, 1);
        QCOMPARE(dialog.typedName(), QStringLiteral("Results.xlsx"));
        QCOMPARE(dialog.defaultSuffix(), QStringLiteral("xlsx"));
        dialog.setTypedName(QStringLiteral("/somewhere/else/Run 1.xlsx"));
        chooseFileType(dialog, 0);
        QCOMPARE(dialog.typedName(), QStringLiteral("Run 1.xls"));
        dialog.setTypedName(QStringLiteral("Lake survey"));
        chooseFileType(dialog, 1);
        QCOMPARE(dialog.typedName(), QStringLiteral("Lake survey.xlsx"));
    }

    void resultsFileDialogAsksBeforeReplacing()
    {
        QTemporaryDir folder;
        QFile existing(folder.filePath(QStringLiteral("Results.xls")));
        QVERIFY(existing.open(QIODevice::WriteOnly));
        existing.close();

        ResultsFileDialog dialog;
        dialog.setDirectory(folder.path());
        dialog.setTypedName(QStringLiteral("Results.xls"));
        dialog.show();
        ModalScript script;
        QString asked;
        script.expect([&asked](QDialog* box) {
            auto* question = qobject_cast<QMessageBox*>(box);
            QVERIFY(question);
            asked = question->text();
            question->button(QMessageBox::No)->click();
        });
        QMetaObject::invokeMethod(&dialog, "accept", Qt::DirectConnection);
        QTRY_VERIFY(script.done());
        QVERIFY(asked.contains(QStringLiteral("Results.xls")));
        QVERIFY(dialog.result() != QDialog::Accepted);

        // A name without extension takes the type's.
        dialog.setTypedName(QStringLiteral("Fresh"));
        QMetaObject::invokeMethod(&dialog, "accept", Qt::DirectConnection);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(QString::fromStdString(dialog.chosenPath()), folder.filePath(QStringLiteral("Fresh.xls")));
    }

    void messageBoxesCarryTheTexts()
    {
        QtUserInteraction ui;
        ModalScript script;
        QString text, informative;
        script.expect([&](QDialog* box) {
            auto* message = qobject_cast<QMessageBox*>(box);
            QVERIFY(message);
            text = message->text();
            informative = message->informativeText();
            message->accept();
        });
        ui.showMessage("Error reading file", "/data/broken.xlsx: not a zip archive");
        QCOMPARE(text, QStringLiteral("Error reading file"));
        QCOMPARE(informative, QStringLiteral("/data/broken.xlsx: not a zip archive"));

        for (auto [button, answer] : {std::pair{QMessageBox::Yes, UserInteraction::Answer::Yes},
                                      std::pair{QMessageBox::No, UserInteraction::Answer::No},
                                      std::pair{QMessageBox::Cancel, UserInteraction::Answer::Cancel}}) {
            script.expect([button](QDialog* box) {
                auto* question = qobject_cast<QMessageBox*>(box);
                QVERIFY(question);
                QCOMPARE(question->text(), QStringLiteral("Save Results?"));
                question->button(button)->click();
            });
            QCOMPARE(ui.askYesNoCancel("Save Results?"), answer);
        }
        QCOMPARE(script.unexpected, 0);
    }

    void helpOpensTheFile()
    {
        QTemporaryDir folder;
        const QString pdf = folder.filePath(QStringLiteral("TORVENII.pdf"));
        {
            QPdfWriter writer(pdf);
            QPainter painter(&writer);
            painter.drawText(QPointF(100, 100), QStringLiteral("Help"));
        }
        TestUser user;
        HelpCommand help(pdf, user);
        QString handedOver;
        help.setExternalViewer([&handedOver](const QString& path) {
            handedOver = path;
            return true;
        });
        help.show(nullptr);
        QCOMPARE(handedOver, pdf);
        QVERIFY(!help.window());

        // No viewer on the desktop: our own window shows it.
        help.setExternalViewer([](const QString&) { return false; });
        help.show(nullptr);
        QVERIFY(help.window());
        QVERIFY(help.window()->isVisible());
        QVERIFY(help.window()->pageCount() >= 1);
        QVERIFY(user.messages.empty());
    }

    void helpContentsEntries()
    {
        const QList<HelpContentsEntry> entries = ParseHelpContents(QStringLiteral(
            "1\t4\tStarting the program\n2\t12\tOpening a workbook\r\nnot an entry\n2\tx\tNo page\n1\t130\t2 Sites\n"));
        QCOMPARE(entries.size(), 3);
        QCOMPARE(entries[0].title, QStringLiteral("Starting the program"));
        QCOMPARE(entries[0].page, 4);
        QCOMPARE(entries[1].level, 2);
        QCOMPARE(entries[1].title, QStringLiteral("Opening a workbook"));
        QCOMPARE(entries[2].title, QStringLiteral("2 Sites"));
        QCOMPARE(entries[2].page, 130);
    }

    // Help asked for from a modal dialog is the dialog's own window while the dialog is open
    // (a modal dialog blocks every other window), in front of it and within the screen; when
    // the dialog closes it stays open with the main window. A contents entry goes to the page
    // of its section.
    void helpOverAModalDialogAndItsContents()
    {
        TestUser user;
        HelpCommand help(QStringLiteral(TORVEN_BIN_DIR "/TORVENII.pdf"), user);
        help.setExternalViewer([](const QString&) { return false; });
        QWidget home;
        home.resize(400, 300);
        home.show();
        QDialog dialog(&home);
        bool shownOverDialog = false;
        {
            ModalScript script;
            script.expect([&](QDialog* shown) {
                help.show(shown);
                QVERIFY(help.window() && help.window()->isVisible());
                shownOverDialog = help.window()->parentWidget() == shown && help.window()->isWindow();
                const QRect screen = help.window()->screen()->availableGeometry();
                QVERIFY(screen.contains(help.window()->frameGeometry()) || screen.contains(help.window()->geometry()));
                shown->accept();
            });
            dialog.exec();
        }
        QVERIFY(shownOverDialog);
        QVERIFY(help.window());
        QTRY_VERIFY(help.window()->isVisible());
        QCOMPARE(help.window()->parentWidget(), &home);

        HelpWindow& window = *help.window();
        QVERIFY2(window.contents()->count() >= 5, qPrintable(QString::number(window.contents()->count())));
        QListWidgetItem* last = window.contents()->item(window.contents()->count() - 1);
        const int page = last->data(Qt::UserRole).toInt();
        QVERIFY(page > 2);
        emit window.contents()->itemClicked(last);
        QTRY_COMPARE(window.currentPage(), page - 1);
        QPdfDocument* document = window.view()->document();
        QVERIFY(!document->getAllText(page - 1).text().isEmpty());
        window.close();
    }

    void helpWithoutAFileSaysSo()
    {
        QTemporaryDir folder;
        TestUser user;
        HelpCommand missing(folder.filePath(QStringLiteral("TORVENII.pdf")), user);
        missing.setExternalViewer([](const QString&) { return false; });
        missing.show(nullptr);
        QCOMPARE(user.messages.size(), std::size_t(1));
        QCOMPARE(user.messages[0], std::string(HelpCommand::kNoViewerMessage));

        const QString damaged = folder.filePath(QStringLiteral("damaged.pdf"));
        QFile file(damaged);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("not a PDF document");
        file.close();
        HelpCommand broken(damaged, user);
        broken.setExternalViewer([](const QString&) { return false; });
        broken.show(nullptr);
        QCOMPARE(user.messages.size(), std::size_t(2));
    }

    void splashDisablesTheMainWindowForItsTime()
    {
        QWidget owner;
        owner.resize(800, 600);
        owner.show();
        QPointer<SplashWindow> splash = SplashWindow::showSplash(&owner, 200);
        QVERIFY(splash);
        QVERIFY(splash->isVisible());
        QVERIFY(!owner.isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(owner.isEnabled(), 5000);
        QTRY_VERIFY(!splash);
        QCOMPARE(SplashWindow::versionLine(), QStringLiteral("Version 2.0.13.0"));
    }

    void splashDrawsTheVersionInDarkBlue()
    {
        const QImage picture = SplashWindow::renderPicture().toImage();
        // The version line sits in the bottom-left corner, inside the 8-pixel margin.
        int blue = 0;
        int outsideMargin = 0;
        for (int y = picture.height() - 40; y < picture.height(); ++y)
            for (int x = 0; x < picture.width() / 2; ++x)
                if (picture.pixelColor(x, y) == QColor(0, 0, 125)) {
                    ++blue;
                    if (x < 8 || y >= picture.height() - 8)
                        ++outsideMargin;
                }
        QVERIFY(blue > 50);
        QCOMPARE(outsideMargin, 0);
    }
};

QTEST_MAIN(SmallDialogsTest)
#include "small_dialogs_test.moc"
