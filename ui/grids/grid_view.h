#pragma once

#include <QString>
#include <QTableView>

class QMimeData;
class QPrinter;

namespace grids {

class GridModel;

// A read-only grid window over a GridModel: 8-point cells, the grid's row 0 and column 0
// as headers, and frozen panes: the first rows and columns of the data stay in view while
// the rest scrolls. Qt has no frozen panes, so three overlaid views on the same model and
// selection show them (top rows, left columns, and their corner), kept aligned with this
// view's scrolling and section sizes.
class GridView : public QTableView {
    Q_OBJECT
public:
    explicit GridView(QWidget* parent = nullptr);
    ~GridView() override;

    // The model becomes the view's child.
    void setGridModel(GridModel* model);
    GridModel* gridModel() const { return model_; }

    // Rows and columns of the data (grid rows and columns from 1) that stay in view.
    void setFrozen(int rows, int columns);
    int frozenRows() const { return frozenRows_; }
    int frozenColumns() const { return frozenColumns_; }

    // Widths: grid columns first to last fitted to their texts in grid rows firstRow to
    // min(lastRow, row count), the heading row 0 included when firstRow is 0; only those
    // rows are read, whatever the size of the grid.
    void fitColumns(int firstColumn, int lastColumn, int firstRow, int lastRow);
    // Grid columns first to last that are narrower than pixels are widened to it; grid
    // column 0 is the row-number header.
    void widenColumns(int firstColumn, int lastColumn, int pixels);
    // Grid columns first to last that are wider than pixels are narrowed to it; grid
    // column 0 (the row-number header) never grows wider than pixels.
    void narrowColumns(int firstColumn, int lastColumn, int pixels);

    // The selected block as tab-separated text and as an HTML table (see grid_copy.h),
    // and its copy to the clipboard; Ctrl+C and Ctrl+Insert in the grid do the same.
    // Nothing selected: the current cell. A very large block goes as text only.
    QMimeData* selectionMimeData() const;
    void copy();

    // The whole grid, laid out on pages across and down, with the frozen rows and
    // columns and the headers repeated on every page and caption in each page's header
    // line. With selectionOnly, only the rows and columns of the selected block.
    // True when more than one cell is selected: a block worth printing on its own.
    bool hasBlockSelection() const;
    void print(QPrinter& printer, const QString& caption, bool selectionOnly = false) const;

    // The overlays, for tests: the top rows, the left columns, their corner.
    QTableView* frozenRowView() const { return top_; }
    QTableView* frozenColumnView() const { return left_; }
    QTableView* frozenCornerView() const { return corner_; }

    // Total width of the frozen columns and height of the frozen rows, in pixels.
    int frozenWidth() const;
    int frozenHeight() const;

    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void updateGeometries() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QTableView* makeOverlay(bool horizontalHeader, bool verticalHeader);
    void attachOverlays();
    void placeOverlays();
    void columnResized(int column, int oldWidth, int newWidth);
    void rowResized(int row, int oldHeight, int newHeight);

    GridModel* model_ = nullptr;
    QTableView* top_ = nullptr;
    QTableView* left_ = nullptr;
    QTableView* corner_ = nullptr;
    int frozenRows_ = 0;
    int frozenColumns_ = 0;
};

// The cell font of every grid: Arial 8 points where it is installed, else the desktop's
// sans-serif at 8 points.
QFont gridFont();

}  // namespace grids
