#include "ui/worksheet_select_dialog.h"

#include <QApplication>
#include <QComboBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QResizeEvent>

#include "ui/dialog_units.h"
#include "ui/help_section.h"
#include "ui/sheet_preview_grid.h"
#include "workbook/book.h"
#include "import/worksheet_choice.h"
#include "workbook/cells/cell_names.h"

namespace {

constexpr int kListEntries = 20;  // rows 1 to 20, columns A to T

// Breaks a label into lines that fit width, at spaces: the family buttons carry their
// long names on two or three lines, as multi-line buttons do.
QString wrapped(const QString& text, const QFontMetrics& metrics, int width)
{
    QString out;
    QString line;
    for (const QString& word : text.split(QLatin1Char(' '))) {
        const QString candidate = line.isEmpty() ? word : line + QLatin1Char(' ') + word;
        if (!line.isEmpty() && metrics.horizontalAdvance(candidate) > width) {
            out += line + QLatin1Char('\n');
            line = word;
        } else {
            line = candidate;
        }
    }
    return out + line;
}

}  // namespace

WorksheetSelectDialog::WorksheetSelectDialog(const wb::Book* book, std::vector<std::string> sheetNames, int family,
                                             QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint |
                          Qt::WindowCloseButtonHint),
      book_(book), sheetNames_(std::move(sheetNames)), family_(family)
{
    setWindowTitle(QStringLiteral("Select worksheet"));
    SetHelpSection(this, QStringLiteral("Choosing the worksheet"));
    setModal(true);
    setSizeGripEnabled(true);
    const DialogUnits du(font());

    // The controls on the left keep their places in dialog units; on a screen too low for
    // them (a large scale factor) they scroll, so that OK, Cancel and Help stay reachable.
    controlsArea_ = new QScrollArea(this);
    controlsArea_->setFrameShape(QFrame::NoFrame);
    controlsArea_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto* controls = new QWidget;
    controls->setFixedSize(du.size(116, 238));
    auto* sheetsLabel = new QLabel(QStringLiteral("Avaliable worksheets"), controls);
    sheetsLabel->setGeometry(du.rect(7, 7, 93, 8));
    sheetList_ = new QListWidget(controls);
    sheetList_->setGeometry(du.rect(7, 20, 106, 38));

    auto* positionGroup = new QGroupBox(controls);
    positionGroup->setGeometry(du.rect(7, 59, 106, 40));
    auto* rowLabel = new QLabel(QStringLiteral("First data row"), controls);
    rowLabel->setGeometry(du.rect(12, 70, 56, 8));
    firstRowList_ = new QComboBox(controls);
    firstRowList_->setGeometry(du.x(71), du.y(67), du.x(37), du.y(13));
    auto* columnLabel = new QLabel(QStringLiteral("First data column"), controls);
    columnLabel->setGeometry(du.rect(12, 88, 58, 8));
    firstColumnList_ = new QComboBox(controls);
    firstColumnList_->setGeometry(du.x(71), du.y(84), du.x(37), du.y(13));
    for (int i = 1; i <= kListEntries; ++i) {
        firstRowList_->addItem(QString::number(i));
        firstColumnList_->addItem(QString::fromStdString(wb::ColumnLetters(i - 1)));
    }
    firstRowList_->setMaxVisibleItems(kListEntries);
    firstColumnList_->setMaxVisibleItems(kListEntries);

    auto* metricGroup = new QGroupBox(QStringLiteral("Metric"), controls);
    metricGroup->setGeometry(du.rect(7, 103, 106, 77));
    const QFontMetrics metrics(font());
    const int buttonTextWidth = du.x(94) - 24;  // the indicator takes the rest
    auto makeButton = [&](const char* text, int top) {
        auto* button = new QRadioButton(wrapped(QString::fromUtf8(text), metrics, buttonTextWidth), controls);
        button->setGeometry(du.rect(14, top, 94, 23));
        return button;
    };
    riversButton_ = makeButton("TDI3 && 4: Trophic Diatom Indices for rivers", 111);
    lakesButton_ = makeButton("LTDI1 && 2: Trophic Diatom Indices for lakes", 133);
    damButton_ = makeButton("DAM: Diatom Acidification Metric", 155);

    okButton_ = new QPushButton(QStringLiteral("OK"), controls);
    okButton_->setGeometry(du.rect(7, 186, 50, 14));
    okButton_->setDefault(true);
    auto* cancelButton = new QPushButton(QStringLiteral("Cancel"), controls);
    cancelButton->setGeometry(du.rect(7, 203, 50, 14));
    helpButton_ = new QPushButton(QStringLiteral("Help"), controls);
    helpButton_->setGeometry(du.rect(7, 220, 50, 14));
    helpButton_->setAutoDefault(false);
    cancelButton->setAutoDefault(false);

    controlsArea_->setWidget(controls);
    controlsArea_->setGeometry(0, 0, du.x(116), du.y(238));
    grid_ = new SheetPreviewGrid(this);
    grid_->setGeometry(du.rect(118, 7, 361, 227));
    resize(du.size(484, 238));
    // The grid must stay usable; the controls on the left keep their places.
    setMinimumSize(du.x(118) + 100 + kGridMargin, du.y(120));

    connect(okButton_, &QPushButton::clicked, this, [this] {
        readFamily();
        accept();
    });
    connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(helpButton_, &QPushButton::clicked, this, [this] {
        if (help_)
            help_();
    });
    connect(sheetList_, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0)
            loadPreview(row);
    });
    // A double-click on a sheet name is OK for that sheet. The family is read from the
    // buttons as OK reads it: the user sees them checked and expects what they show.
    connect(sheetList_, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
        sheetIndex_ = sheetList_->row(item);
        readFamily();
        accept();
    });
    connect(firstRowList_, &QComboBox::activated, this, [this](int index) {
        firstDataRow_ = index + 1;
        grid_->setFirstDataRow(firstDataRow_);
    });
    connect(firstColumnList_, &QComboBox::activated, this, [this](int index) {
        firstDataColumn_ = index + 1;
        grid_->setFirstDataColumn(firstDataColumn_);
    });
    connect(grid_, &SheetPreviewGrid::firstDataRowChosen, this, [this](int row) {
        firstDataRow_ = row;
        showFirstDataRow();
    });
    connect(grid_, &SheetPreviewGrid::firstDataColumnChosen, this, [this](int column) {
        firstDataColumn_ = column;
        showFirstDataColumn();
    });

    // Set-up: the sheet names with the first one previewed, and the job's family checked.
    for (const std::string& name : sheetNames_)
        sheetList_->addItem(QString::fromStdString(name));
    if (!sheetNames_.empty()) {
        const QSignalBlocker block(sheetList_);
        sheetList_->setCurrentRow(0);
    }
    familyButton(family_)->setChecked(true);
    loadPreview(0);
    initialised_ = true;
    fitGrid();
}

QRadioButton* WorksheetSelectDialog::familyButton(int family) const
{
    switch (family) {
    case familyLakes: return lakesButton_;
    case familyDam: return damButton_;
    default: return riversButton_;
    }
}

void WorksheetSelectDialog::setChoice(const WorksheetChoice& choice)
{
    if (choice.sheetIndex >= 0 && static_cast<std::size_t>(choice.sheetIndex) < sheetNames_.size()) {
        const QSignalBlocker block(sheetList_);
        sheetList_->setCurrentRow(choice.sheetIndex);
        loadPreview(choice.sheetIndex);
    }
    firstDataRow_ = choice.firstDataRow;
    firstDataColumn_ = choice.firstDataColumn;
    showFirstDataRow();
    showFirstDataColumn();
    grid_->setFirstDataRow(firstDataRow_);
    grid_->setFirstDataColumn(firstDataColumn_);
    family_ = choice.family;
    familyButton(family_)->setChecked(true);
}

WorksheetChoice WorksheetSelectDialog::choice() const
{
    WorksheetChoice c;
    c.sheetIndex = sheetIndex_;
    c.firstDataRow = firstDataRow_;
    c.firstDataColumn = firstDataColumn_;
    c.family = family_;
    return c;
}

void WorksheetSelectDialog::loadPreview(int sheetIndex)
{
    sheetIndex_ = sheetIndex;
    if (!book_)
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    grid_->setUpdatesEnabled(false);
    const wb::Sheet* sheet = nullptr;
    if (sheetIndex >= 0 && static_cast<std::size_t>(sheetIndex) < sheetNames_.size())
        sheet = worksheet::FindSheet(*book_, sheetNames_[static_cast<std::size_t>(sheetIndex)]);
    grid_->setSheet(sheet);
    if (sheet && sheet->lastRow() > 0 && sheet->lastCol() > 0)
        grid_->fitColumnWidths();
    if (sheet) {
        if (std::optional<int> guessed = worksheet::GuessFirstDataRow(*sheet))
            firstDataRow_ = *guessed;
        if (std::optional<int> named = worksheet::GuessFamily(*sheet))
            familyButton(*named)->setChecked(true);
    }
    showFirstDataRow();
    showFirstDataColumn();
    grid_->setFirstDataRow(firstDataRow_);
    grid_->setFirstDataColumn(firstDataColumn_);
    grid_->setUpdatesEnabled(true);
    QApplication::restoreOverrideCursor();
}

void WorksheetSelectDialog::showFirstDataRow()
{
    // A row beyond the list (chosen by a click on the grid) leaves the list unselected.
    firstRowList_->setCurrentIndex(firstDataRow_ >= 1 && firstDataRow_ <= kListEntries ? firstDataRow_ - 1 : -1);
}

void WorksheetSelectDialog::showFirstDataColumn()
{
    firstColumnList_->setCurrentIndex(
        firstDataColumn_ >= 1 && firstDataColumn_ <= kListEntries ? firstDataColumn_ - 1 : -1);
}

void WorksheetSelectDialog::readFamily()
{
    if (lakesButton_->isChecked())
        family_ = familyLakes;
    else if (damButton_->isChecked())
        family_ = familyDam;
    else if (riversButton_->isChecked())
        family_ = familyRivers;
}

void WorksheetSelectDialog::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    if (initialised_)
        fitGrid();
}

void WorksheetSelectDialog::fitGrid()
{
    // The controls take the dialog's height, with room for their scroll bar when they need
    // it; the grid keeps its top and reaches to 10 pixels inside the right and bottom edges.
    const DialogUnits du(font());
    const bool scrolls = height() < controlsArea_->widget()->height();
    const int areaWidth = du.x(116) + (scrolls ? controlsArea_->verticalScrollBar()->sizeHint().width() : 0);
    controlsArea_->setGeometry(0, 0, areaWidth, height());
    const QPoint topLeft(std::max(du.x(118), areaWidth + du.x(2)), grid_->geometry().top());
    grid_->setGeometry(topLeft.x(), topLeft.y(), std::max(0, width() - kGridMargin - topLeft.x()),
                       std::max(0, height() - kGridMargin - topLeft.y()));
}
