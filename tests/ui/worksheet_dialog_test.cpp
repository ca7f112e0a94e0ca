#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QHeaderView>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QWheelEvent>
#include <QtTest>

#include "ui/sheet_preview_grid.h"
#include "ui/worksheet_select_dialog.h"
#include "workbook/book.h"

namespace {

const QColor kTint(200, 255, 255);
const QColor kWhite(255, 255, 255);

// Three sheets: "Rows5" (30 rows, 6 columns; column B first holds text in row 5),
// "NoText" (numbers only) and "Rows8" (column B first holds text in row 8).
std::unique_ptr<wb::Book> makeBook()
{
    std::unique_ptr<wb::Book> book = wb::xlCreateXMLBook();
    wb::Sheet* rows5 = book->addSheet("Rows5");
    for (int r = 0; r < 30; ++r)
        rows5->writeStr(r, 0, "label " + std::to_string(r + 1));
    rows5->writeNum(1, 1, 7);  // a number in column B is not the guess
    rows5->writeStr(4, 1, "Achnanthidium minutissimum");
    rows5->writeNum(2, 2, 40000);
    rows5->writeNum(3, 2, 40000);
    rows5->writeNum(2, 3, 20000);
    rows5->writeNum(2, 4, 20000.5);
    rows5->writeStr(0, 5, "A sample name far wider than one hundred pixels on any screen");
    wb::Sheet* noText = book->addSheet("NoText");
    for (int r = 0; r < 10; ++r)
        for (int c = 0; c < 4; ++c)
            noText->writeNum(r, c, r * 10 + c);
    wb::Sheet* rows8 = book->addSheet("Rows8");
    for (int r = 0; r < 12; ++r)
        rows8->writeNum(r, 0, r);
    rows8->writeStr(7, 1, "Navicula");
    rows8->writeNum(11, 5, 1);
    return book;
}

std::vector<std::string> namesOf(const wb::Book& book)
{
    std::vector<std::string> names;
    for (int i = 0; i < book.sheetCount(); ++i)
        names.push_back(book.getSheet(i)->name());
    return names;
}

QString cellText(const SheetPreviewGrid* grid, int gridRow, int gridColumn)
{
    return grid->model()->index(gridRow - 1, gridColumn - 1).data().toString();
}

QColor cellColour(const SheetPreviewGrid* grid, int gridRow, int gridColumn)
{
    return grid->model()->index(gridRow - 1, gridColumn - 1).data(Qt::BackgroundRole).value<QColor>();
}

// A real mouse click on a row header of the grid.
void clickRowHeader(SheetPreviewGrid* grid, int gridRow)
{
    QHeaderView* header = grid->verticalHeader();
    grid->scrollTo(grid->model()->index(gridRow - 1, 0));
    const int y = header->sectionViewportPosition(gridRow - 1) + header->sectionSize(gridRow - 1) / 2;
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(header->width() / 2, y));
}

}  // namespace

class WorksheetDialogTest : public QObject {
    Q_OBJECT
private slots:
    void setUpShowsFirstSheetWithGuess()
    {
        auto book = makeBook();
        WorksheetSelectDialog dialog(book.get(), namesOf(*book), familyLakes);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Select worksheet"));
        QCOMPARE(dialog.sheetList()->count(), 3);
        QCOMPARE(dialog.sheetList()->currentRow(), 0);
        QCOMPARE(dialog.firstRowList()->count(), 20);
        QCOMPARE(dialog.firstRowList()->itemText(19), QStringLiteral("20"));
        QCOMPARE(dialog.firstColumnList()->itemText(19), QStringLiteral("T"));
        QCOMPARE(dialog.firstRowList()->currentText(), QStringLiteral("5"));
        QCOMPARE(dialog.firstColumnList()->currentText(), QStringLiteral("C"));
        QVERIFY(dialog.familyButton(familyLakes)->isChecked());
        QCOMPARE(dialog.grid()->model()->rowCount(), 30);
        QCOMPARE(dialog.grid()->model()->columnCount(), 6);
        QCOMPARE(dialog.grid()->model()->headerData(2, Qt::Horizontal).toString(), QStringLiteral("C"));
        QCOMPARE(dialog.grid()->model()->headerData(29, Qt::Vertical).toString(), QStringLiteral("30"));
        // The tint starts at the guessed row and the third column.
        QCOMPARE(cellColour(dialog.grid(), 5, 3), kTint);
        QCOMPARE(cellColour(dialog.grid(), 4, 3), kWhite);
        QCOMPARE(cellColour(dialog.grid(), 5, 2), kWhite);
    }

    void guessPerSheetColumnKept()
    {
        auto book = makeBook();
        WorksheetSelectDialog dialog(book.get(), namesOf(*book), familyRivers);
        dialog.firstColumnList()->setCurrentIndex(3);
        emit dialog.firstColumnList()->activated(3);
        QCOMPARE(dialog.choice().firstDataColumn, 4);

        // No text in column B: the row stays as it was; the column is never guessed.
        dialog.sheetList()->setCurrentRow(1);
        QCOMPARE(dialog.choice().sheetIndex, 1);
        QCOMPARE(dialog.choice().firstDataRow, 5);
        QCOMPARE(dialog.choice().firstDataColumn, 4);
        QCOMPARE(dialog.grid()->model()->rowCount(), 10);

        dialog.sheetList()->setCurrentRow(2);
        QCOMPARE(dialog.choice().firstDataRow, 8);
        QCOMPARE(dialog.firstRowList()->currentText(), QStringLiteral("8"));
        QCOMPARE(dialog.firstColumnList()->currentText(), QStringLiteral("D"));
        QCOMPARE(cellColour(dialog.grid(), 8, 4), kTint);
        QCOMPARE(cellColour(dialog.grid(), 8, 3), kWhite);
    }

    void firstSheetWithoutTextStartsAtRowOne()
    {
        auto book = makeBook();
        WorksheetSelectDialog dialog(book.get(), {"NoText"}, familyRivers);
        QCOMPARE(dialog.choice().firstDataRow, 1);
        QCOMPARE(dialog.firstRowList()->currentText(), QStringLiteral("1"));
    }

    void previewTexts()
    {
        auto book = makeBook();
        WorksheetSelectDialog dialog(book.get(), namesOf(*book), familyRivers);
        const SheetPreviewGrid* grid = dialog.grid();
        QCOMPARE(cellText(grid, 3, 3), QStringLiteral("06-Jul-2009"));
        QCOMPARE(cellText(grid, 4, 3), QStringLiteral("40000"));
        QCOMPARE(cellText(grid, 3, 4), QStringLiteral("20000"));
        QCOMPARE(cellText(grid, 3, 5), QStringLiteral("03-Oct-1954"));
        QCOMPARE(cellText(grid, 5, 2), QStringLiteral("Achnanthidium minutissimum"));
        QCOMPARE(cellText(grid, 2, 2), QStringLiteral("7"));
        QCOMPARE(cellText(grid, 2, 3), QString());
    }

    void rowHeaderBeyondTheList()
    {
        auto book = makeBook();
        WorksheetSelectDialog dialog(book.get(), namesOf(*book), familyRivers);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        clickRowHeader(dialog.grid(), 25);
        QCOMPARE(dialog.choice().firstDataRow, 25);
        QCOMPARE(dialog.firstRowList()->currentIndex(), -1);
        QCOMPARE(cellColour(dialog.grid(), 25, 3), kTint);
        QCOMPARE(cellColour(dialog.grid(), 24, 3), kWhite);
        // Beyond the sheet's 30 rows nothing changes.
        dialog.grid()->clickRowHeader(31);
        QCOMPARE(dialog.choice().firstDataRow, 25);
    }

    void tintMovesWithRowHeaderClick()
    {
        auto book = makeBook();
        WorksheetSelectDialog dialog(book.get(), namesOf(*book), familyRivers);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        clickRowHeader(dialog.grid(), 7);
        QCOMPARE(dialog.choice().firstDataRow, 7);
        QCOMPARE(dialog.firstRowList()->currentText(), QStringLiteral("7"));
        QCOMPARE(cellColour(dialog.grid(), 7, 3), kTint);
        QCOMPARE(cellColour(dialog.grid(), 6, 3), kWhite);
        QCOMPARE(cellColour(dialog.grid(), 5, 3), kWhite);
    }

    void cellAndColumnClicks()
    {
        auto book = makeBook();
        WorksheetSelectDialog dialog(book.get(), namesOf(*book), familyRivers);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        SheetPreviewGrid* grid = dialog.grid();
        const QRect cell = grid->visualRect(grid->model()->index(9, 3));  // row 10, column D
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
        QCOMPARE(dialog.choice().firstDataRow, 10);
        QCOMPARE(dialog.choice().firstDataColumn, 4);
        QCOMPARE(dialog.firstColumnList()->currentText(), QStringLiteral("D"));
        QCOMPARE(cellColour(grid, 10, 4), kTint);
        QCOMPARE(cellColour(grid, 10, 3), kWhite);

        QHeaderView* header = grid->horizontalHeader();
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(1) + header->sectionSize(1) / 2, header->height() / 2));
        QCOMPARE(dialog.choice().firstDataColumn, 2);
        QCOMPARE(dialog.choice().firstDataRow, 10);
        // Column 7 is beyond the sheet's six.
        grid->clickColumnHeader(7);
        QCOMPARE(dialog.choice().firstDataColumn, 2);
        grid->clickCell(40, 7);
        QCOMPARE(dialog.choice().firstDataRow, 10);
    }

    void resizeKeepsTenPixelMargins()
    {
        auto book = makeBook();
        WorksheetSelectDialog dialog(book.get(), namesOf(*book), familyRivers);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        const QPoint topLeft = dialog.grid()->geometry().topLeft();
        for (const QSize size : {QSize(1100, 700), QSize(900, 500)}) {
            dialog.resize(size);
            QCoreApplication::processEvents();
            const QRect grid = dialog.grid()->geometry();
            QCOMPARE(grid.topLeft(), topLeft);
            QCOMPARE(dialog.width() - (grid.x() + grid.width()), 10);
            QCOMPARE(dialog.height() - (grid.y() + grid.height()), 10);
        }
        QVERIFY(dialog.isSizeGripEnabled());
    }

    void columnWidthsCappedAt100()
    {
        auto book = makeBook();
        WorksheetSelectDialog dialog(book.get(), namesOf(*book), familyRivers);
        QCOMPARE(dialog.grid()->columnWidth(5), 100);  // the long sample name
        QVERIFY(dialog.grid()->columnWidth(1) <= 100);
        QVERIFY(dialog.grid()->columnWidth(3) < 100);  // "20000"
        QVERIFY(dialog.grid()->verticalHeader()->maximumWidth() <= 100);
    }

    // The wheel over the preview scrolls it down, up and sideways, over the cells and the
    // headers, and does nothing where it cannot scroll further.
    void wheelOverThePreview()
    {
        std::unique_ptr<wb::Book> book = wb::xlCreateXMLBook();
        wb::Sheet* sheet = book->addSheet("Wide");
        for (int r = 0; r < 300; ++r)
            for (int c = 0; c < 60; c += 7)
                sheet->writeNum(r, c, r * 100 + c);
        WorksheetSelectDialog dialog(book.get(), {"Wide"}, familyRivers);
        dialog.resize(700, 300);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        SheetPreviewGrid& grid = *dialog.grid();
        QScrollBar& down = *grid.verticalScrollBar();
        QScrollBar& across = *grid.horizontalScrollBar();
        QVERIFY(down.maximum() > 0 && across.maximum() > 0);
        const auto turn = [](QWidget* part, QPoint delta) {
            const QPointF at(part->width() / 2.0, part->height() / 2.0);
            QWheelEvent wheel(at, part->mapToGlobal(at), QPoint(), delta, Qt::NoButton, Qt::NoModifier,
                              Qt::NoScrollPhase, false);
            QApplication::sendEvent(part, &wheel);
        };
        for (QWidget* part : {grid.viewport(), static_cast<QWidget*>(grid.horizontalHeader()),
                              static_cast<QWidget*>(grid.verticalHeader())}) {
            down.setValue(0);
            across.setValue(0);
            turn(part, QPoint(0, 120));
            turn(part, QPoint(120, 0));
            QCOMPARE(down.value(), 0);
            QCOMPARE(across.value(), 0);
            turn(part, QPoint(0, -120));
            turn(part, QPoint(-120, 0));
            if (part == grid.viewport()) {
                QVERIFY(down.value() > 0);
                QVERIFY(across.value() > 0);
            }
            down.setValue(down.maximum());
            across.setValue(across.maximum());
            turn(part, QPoint(0, -120));
            turn(part, QPoint(-120, 0));
            QCOMPARE(down.value(), down.maximum());
            QCOMPARE(across.value(), across.maximum());
        }
    }

    // Ctrl+C copies the selected block as the other grids do: tab-separated texts as shown,
    // dates included. Header clicks choose the data block and leave the selection alone; a
    // cell click chooses and selects; Shift+click extends the selection and chooses nothing.
    void copyFromThePreview()
    {
        auto book = makeBook();
        WorksheetSelectDialog dialog(book.get(), namesOf(*book), familyRivers);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        SheetPreviewGrid* grid = dialog.grid();
        const QAbstractItemModel& model = *grid->model();
        const QString block = QStringLiteral("7\t\t\n\t06-Jul-2009\t20000\n\t40000\t\n");
        grid->selectionModel()->select(QItemSelection(model.index(1, 1), model.index(3, 3)),
                                       QItemSelectionModel::ClearAndSelect);
        QApplication::clipboard()->clear();
        QTest::keyClick(grid, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QApplication::clipboard()->text(), block);

        QHeaderView* header = grid->horizontalHeader();
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(3) + header->sectionSize(3) / 2, header->height() / 2));
        QCOMPARE(dialog.choice().firstDataColumn, 4);
        clickRowHeader(grid, 7);
        QCOMPARE(dialog.choice().firstDataRow, 7);
        std::unique_ptr<QMimeData> copied(grid->selectionMimeData());
        QCOMPARE(copied->text(), block);

        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(model.index(1, 1)).center());
        QCOMPARE(dialog.choice().firstDataRow, 2);
        QCOMPARE(dialog.choice().firstDataColumn, 2);
        copied.reset(grid->selectionMimeData());
        QCOMPARE(copied->text(), QStringLiteral("7\n"));
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::ShiftModifier,
                          grid->visualRect(model.index(2, 2)).center());
        QCOMPARE(dialog.choice().firstDataRow, 2);
        QCOMPARE(dialog.choice().firstDataColumn, 2);
        QCOMPARE(cellColour(grid, 2, 2), kTint);
        QApplication::clipboard()->clear();
        QTest::keyClick(grid, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("7\t\n\t06-Jul-2009\n"));
    }

    void okReadsTheFamily()
    {
        auto book = makeBook();
        WorksheetSelectDialog dialog(book.get(), namesOf(*book), familyRivers);
        dialog.show();
        dialog.familyButton(familyDam)->setChecked(true);
        dialog.okButton()->click();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.choice().family, int(familyDam));
        QCOMPARE(dialog.choice().sheetIndex, 0);
        QCOMPARE(dialog.choice().firstDataRow, 5);
        QCOMPARE(dialog.choice().firstDataColumn, 3);
    }

    void doubleClickTakesSheetAndCheckedFamily()
    {
        auto book = makeBook();
        WorksheetSelectDialog dialog(book.get(), namesOf(*book), familyRivers);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        dialog.familyButton(familyLakes)->setChecked(true);
        QListWidget* list = dialog.sheetList();
        const QPoint at = list->visualItemRect(list->item(2)).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.choice().sheetIndex, 2);
        QCOMPARE(dialog.choice().family, int(familyLakes));
        QCOMPARE(dialog.choice().firstDataRow, 8);
    }

    void cancel()
    {
        auto book = makeBook();
        WorksheetSelectDialog dialog(book.get(), namesOf(*book), familyRivers);
        dialog.show();
        dialog.reject();
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
    }

    void noBookShowsNothing()
    {
        WorksheetSelectDialog dialog(nullptr, {"Sheet1"}, familyDam);
        QCOMPARE(dialog.grid()->model()->rowCount(), 0);
        QVERIFY(dialog.familyButton(familyDam)->isChecked());
        QCOMPARE(dialog.choice().firstDataRow, 1);
    }
};

QTEST_MAIN(WorksheetDialogTest)
#include "worksheet_dialog_test.moc"
