#pragma once

#include <QDialog>
#include <functional>
#include <string>
#include <vector>

#include "import/user_interaction.h"

class QComboBox;
class QListWidget;
class QPushButton;
class QRadioButton;
class QScrollArea;
class SheetPreviewGrid;

namespace wb {
class Book;
}

// "Select worksheet": the sheet, the first data row and column and the metric family of
// an import, chosen on a live preview of the sheet with its data block tinted. The first
// data row is guessed anew for each sheet, and so is the metric when the sheet's labels
// name its chemistry; the column stays as the user left it.
class WorksheetSelectDialog : public QDialog {
    Q_OBJECT
public:
    // book may be null (nothing is previewed); it must outlive the dialog.
    WorksheetSelectDialog(const wb::Book* book, std::vector<std::string> sheetNames, int family,
                          QWidget* parent = nullptr);

    void setHelp(std::function<void()> help) { help_ = std::move(help); }

    // Shows an earlier choice again: its sheet previewed, its row, column and metric.
    void setChoice(const WorksheetChoice& choice);
    // Valid after OK.
    WorksheetChoice choice() const;

    // The parts, for the tests and the screenshots.
    QListWidget* sheetList() const { return sheetList_; }
    QComboBox* firstRowList() const { return firstRowList_; }
    QComboBox* firstColumnList() const { return firstColumnList_; }
    QRadioButton* familyButton(int family) const;
    SheetPreviewGrid* grid() const { return grid_; }
    QPushButton* okButton() const { return okButton_; }
    QPushButton* helpButton() const { return helpButton_; }

    // The space kept between the preview grid and the dialog's right and bottom edges.
    static constexpr int kGridMargin = 10;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void loadPreview(int sheetIndex);
    void showFirstDataRow();
    void showFirstDataColumn();
    void readFamily();
    void fitGrid();

    const wb::Book* book_;
    std::vector<std::string> sheetNames_;
    std::function<void()> help_;

    int sheetIndex_ = 0;
    int firstDataRow_ = 1;
    int firstDataColumn_ = 3;
    int family_ = familyRivers;
    bool initialised_ = false;

    QListWidget* sheetList_;
    QComboBox* firstRowList_;
    QComboBox* firstColumnList_;
    QRadioButton* riversButton_;
    QRadioButton* lakesButton_;
    QRadioButton* damButton_;
    QPushButton* okButton_;
    QPushButton* helpButton_;
    QScrollArea* controlsArea_;
    SheetPreviewGrid* grid_;
};
