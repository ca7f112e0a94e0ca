#pragma once

#include <functional>
#include <utility>
#include <vector>

#include <QFont>
#include <QString>

#include "ui/grids/grid_copy.h"

class QPrinter;
class QWidget;

namespace grids {

class GridModel;

// What a printout of a grid needs from its view: the cells, the block to print (grid rows
// and columns from 1), the frozen rows and columns repeated on every page, and the sizes
// as the screen shows them (pixels at screenDpi).
struct GridPrintSource {
    const GridModel* model = nullptr;
    GridBlock block;
    int frozenRows = 0;
    int frozenColumns = 0;
    QFont font;
    QFont headerFont;
    int rowHeaderWidth = 50;
    int headerHeight = 20;
    int rowHeight = 18;
    std::vector<int> columnWidths;  // by model column (grid column - 1)
    int screenDpi = 96;
};

// Sections first to last, of the sizes given, cut into runs that each fit in available;
// a section larger than available makes a run of its own (and is cut at the page edge).
std::vector<std::pair<int, int>> splitIntoBands(int first, int last, const std::function<int(int)>& size,
                                                int available);

// Prints the grid on pages across and down (down first, then across): each page has a
// header line with caption on the left and "Page n of m" on the right, the column
// headings, the frozen rows and columns, and its share of the rest. Returns the number of
// pages; 0 when the printer could not start.
int printGrid(QPrinter& printer, const GridPrintSource& source, const QString& caption);

// The printer and page settings of this session, shared by Print, Print Preview and
// Print Setup.
QPrinter& sessionPrinter();
// Print Setup: the page setup dialog on the session printer.
void printSetup(QWidget* parent);

}  // namespace grids
