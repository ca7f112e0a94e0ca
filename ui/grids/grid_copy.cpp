#include "ui/grids/grid_copy.h"

#include <algorithm>

#include <QItemSelectionModel>

#include "ui/grids/grid_model.h"

namespace grids {

GridBlock selectedBlock(const QItemSelectionModel& selection, const GridModel& model)
{
    const QItemSelection ranges = selection.selection();
    GridBlock block;
    if (ranges.isEmpty())
        return block;
    const int rows = model.rowCount();
    const int columns = model.columnCount();
    bool wholeColumns = true;
    bool wholeRows = true;
    block.firstRow = block.firstColumn = std::max(rows, columns) + 1;
    for (const QItemSelectionRange& range : ranges) {
        if (!range.isValid())
            continue;
        block.firstRow = std::min(block.firstRow, range.top() + 1);
        block.lastRow = std::max(block.lastRow, range.bottom() + 1);
        block.firstColumn = std::min(block.firstColumn, range.left() + 1);
        block.lastColumn = std::max(block.lastColumn, range.right() + 1);
        wholeColumns = wholeColumns && range.top() == 0 && range.bottom() == rows - 1;
        wholeRows = wholeRows && range.left() == 0 && range.right() == columns - 1;
    }
    if (block.isEmpty())
        return GridBlock{};
    if (wholeColumns)
        block.firstRow = 0;
    if (wholeRows)
        block.firstColumn = 0;
    return block;
}

namespace {

QString flat(QString text)
{
    text.replace(QLatin1Char('\t'), QLatin1Char(' '));
    text.replace(QLatin1Char('\r'), QLatin1Char(' '));
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return text;
}

// A cell as a copy gives it: its value in full where the text rounds it (see GridCell).
QString copiedText(const GridCell& cell)
{
    return QString::fromStdString(cell.copied ? *cell.copied : cell.text);
}

}  // namespace

QString blockText(const GridModel& model, const GridBlock& block)
{
    QString text;
    for (int r = block.firstRow; r <= block.lastRow; ++r) {
        for (int c = block.firstColumn; c <= block.lastColumn; ++c) {
            if (c > block.firstColumn)
                text += QLatin1Char('\t');
            text += flat(copiedText(model.cell(r, c)));
        }
        text += QLatin1Char('\n');
    }
    return text;
}

QString blockHtml(const GridModel& model, const GridBlock& block)
{
    QString html = QStringLiteral("<table border=\"1\" cellspacing=\"0\">\n");
    for (int r = block.firstRow; r <= block.lastRow; ++r) {
        html += QStringLiteral("<tr>");
        for (int c = block.firstColumn; c <= block.lastColumn; ++c) {
            const GridCell cell = model.cell(r, c);
            const bool heading = r == 0 || c == 0;
            QString attributes;
            if (cell.rightAligned)
                attributes += QStringLiteral(" align=\"right\"");
            if (cell.background)
                attributes += QStringLiteral(" bgcolor=\"#%1%2%3\"")
                                  .arg(cell.background->red, 2, 16, QLatin1Char('0'))
                                  .arg(cell.background->green, 2, 16, QLatin1Char('0'))
                                  .arg(cell.background->blue, 2, 16, QLatin1Char('0'));
            const QString tag = heading ? QStringLiteral("th") : QStringLiteral("td");
            html += QLatin1Char('<') + tag + attributes + QLatin1Char('>') +
                    copiedText(cell).toHtmlEscaped() + QStringLiteral("</") + tag + QLatin1Char('>');
        }
        html += QStringLiteral("</tr>\n");
    }
    html += QStringLiteral("</table>\n");
    return html;
}

}  // namespace grids
