#include "ui/grids/grid_print.h"

#include <algorithm>

#include <QFontMetrics>
#include <QPageSetupDialog>
#include <QCoreApplication>
#include <QPainter>
#include <QPointer>
#include <QPrinter>

#include "ui/grids/grid_model.h"

namespace grids {

std::vector<std::pair<int, int>> splitIntoBands(int first, int last, const std::function<int(int)>& size,
                                                int available)
{
    std::vector<std::pair<int, int>> bands;
    int start = first;
    int used = 0;
    for (int i = first; i <= last; ++i) {
        const int s = size(i);
        if (i > start && used + s > available) {
            bands.emplace_back(start, i - 1);
            start = i;
            used = 0;
        }
        used += s;
    }
    if (start <= last)
        bands.emplace_back(start, last);
    return bands;
}

namespace {

const QColor kHeadingColour(240, 240, 240);
const QColor kLineColour(160, 160, 160);
constexpr int kTextMargin = 3;

// A font of the pixel size it has on the screen, so that the painter's scale alone takes
// the page to the printer's resolution.
QFont screenSized(const QFont& font, int screenDpi)
{
    QFont sized(font);
    const qreal points = font.pointSizeF() > 0 ? font.pointSizeF() : 8.0;
    sized.setPixelSize(std::max(1, qRound(points * screenDpi / 72.0)));
    return sized;
}

class PagePainter {
public:
    PagePainter(QPainter& painter, const GridPrintSource& source, const QFont& cellFont, const QFont& headingFont)
        : painter_(painter), source_(source), cellFont_(cellFont), headingFont_(headingFont)
    {
    }

    int columnWidth(int gridColumn) const
    {
        if (gridColumn == 0)
            return source_.rowHeaderWidth;
        const std::size_t c = static_cast<std::size_t>(gridColumn - 1);
        return c < source_.columnWidths.size() ? source_.columnWidths[c] : 80;
    }

    // One row of the page: grid row r (0: headings) in the given grid columns.
    void paintRow(int gridRow, const std::vector<int>& columns, int top)
    {
        const int height = gridRow == 0 ? source_.headerHeight : source_.rowHeight;
        int left = 0;
        for (int c : columns) {
            const int width = columnWidth(c);
            paintCell(gridRow, c, QRect(left, top, width, height));
            left += width;
        }
    }

private:
    void paintCell(int gridRow, int gridColumn, const QRect& rect)
    {
        const GridCell cell = source_.model->cell(gridRow, gridColumn);
        const bool heading = gridRow == 0 || gridColumn == 0;
        QColor fill = Qt::white;
        if (heading)
            fill = kHeadingColour;
        else if (cell.background)
            fill = QColor(cell.background->red, cell.background->green, cell.background->blue);
        painter_.fillRect(rect, fill);
        painter_.setPen(kLineColour);
        painter_.drawRect(rect);
        if (cell.text.empty())
            return;
        painter_.setPen(Qt::black);
        painter_.setFont(heading ? headingFont_ : cellFont_);
        int flags = Qt::AlignVCenter | Qt::TextSingleLine;
        if (gridRow == 0)
            flags |= Qt::AlignHCenter;
        else
            flags |= cell.rightAligned ? Qt::AlignRight : Qt::AlignLeft;
        painter_.drawText(rect.adjusted(kTextMargin, 0, -kTextMargin, 0), flags, QString::fromStdString(cell.text));
    }

    QPainter& painter_;
    const GridPrintSource& source_;
    QFont cellFont_;
    QFont headingFont_;
};

}  // namespace

int printGrid(QPrinter& printer, const GridPrintSource& source, const QString& caption)
{
    if (!source.model)
        return 0;
    QPainter painter;
    if (!painter.begin(&printer))
        return 0;

    // Work in screen pixels; the scale takes them to the printer.
    const qreal scale = printer.resolution() / static_cast<qreal>(std::max(1, source.screenDpi));
    const QRectF paper = printer.pageLayout().paintRectPixels(printer.resolution());
    const int pageWidth = static_cast<int>(paper.width() / scale);
    const int pageHeight = static_cast<int>(paper.height() / scale);
    const QFont cellFont = screenSized(source.font, source.screenDpi);
    const QFont headingFont = screenSized(source.headerFont, source.screenDpi);
    const QFontMetrics lineMetrics(cellFont);
    const int headerLineHeight = lineMetrics.height() * 2;

    PagePainter pagePainter(painter, source, cellFont, headingFont);
    const GridBlock& block = source.block;
    const int frozenRows = std::min(source.frozenRows, block.lastRow);
    const int frozenColumns = std::min(source.frozenColumns, block.lastColumn);

    // The fixed part of every page: the row numbers and frozen columns, the headings and
    // frozen rows.
    std::vector<int> fixedColumns{0};
    int fixedWidth = pagePainter.columnWidth(0);
    for (int c = 1; c <= frozenColumns; ++c) {
        fixedColumns.push_back(c);
        fixedWidth += pagePainter.columnWidth(c);
    }
    std::vector<int> fixedRows{0};
    int fixedHeight = source.headerHeight;
    for (int r = 1; r <= frozenRows; ++r) {
        fixedRows.push_back(r);
        fixedHeight += source.rowHeight;
    }

    const int firstColumn = std::max(block.firstColumn, frozenColumns + 1);
    const int firstRow = std::max(block.firstRow, frozenRows + 1);
    std::vector<std::pair<int, int>> columnBands = splitIntoBands(
        firstColumn, block.lastColumn, [&](int c) { return pagePainter.columnWidth(c); }, pageWidth - fixedWidth);
    std::vector<std::pair<int, int>> rowBands = splitIntoBands(
        firstRow, block.lastRow, [&](int) { return source.rowHeight; },
        pageHeight - headerLineHeight - fixedHeight);
    // A grid with nothing beyond its frozen part still prints that part once.
    if (columnBands.empty())
        columnBands.emplace_back(1, 0);
    if (rowBands.empty())
        rowBands.emplace_back(1, 0);

    const int pageCount = static_cast<int>(columnBands.size() * rowBands.size());
    int page = 0;
    for (const auto& [columnFirst, columnLast] : columnBands) {
        for (const auto& [rowFirst, rowLast] : rowBands) {
            if (page > 0)
                printer.newPage();
            ++page;
            painter.save();
            painter.scale(scale, scale);

            painter.setPen(Qt::black);
            painter.setFont(cellFont);
            const QRect line(0, 0, pageWidth, lineMetrics.height());
            painter.drawText(line, Qt::AlignLeft | Qt::AlignVCenter, caption);
            painter.drawText(line, Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("Page %1 of %2").arg(page).arg(pageCount));
            painter.drawLine(0, line.bottom() + 2, pageWidth, line.bottom() + 2);

            std::vector<int> columns = fixedColumns;
            for (int c = columnFirst; c <= columnLast; ++c)
                columns.push_back(c);
            int top = headerLineHeight;
            painter.setClipRect(QRect(0, 0, pageWidth, pageHeight));
            for (int r : fixedRows) {
                pagePainter.paintRow(r, columns, top);
                top += r == 0 ? source.headerHeight : source.rowHeight;
            }
            for (int r = rowFirst; r <= rowLast; ++r) {
                pagePainter.paintRow(r, columns, top);
                top += source.rowHeight;
            }
            painter.restore();
        }
    }
    painter.end();
    return pageCount;
}

namespace {

// Lives as long as the application object, so that the printer goes before Qt does.
class PrinterHolder : public QObject {
public:
    using QObject::QObject;
    QPrinter printer{QPrinter::HighResolution};
};

}  // namespace

QPrinter& sessionPrinter()
{
    static QPointer<PrinterHolder> holder;
    if (!holder)
        holder = new PrinterHolder(QCoreApplication::instance());
    return holder->printer;
}

void printSetup(QWidget* parent)
{
    QPageSetupDialog dialog(&sessionPrinter(), parent);
    dialog.exec();
}

}  // namespace grids
