#include "ui/grids/grid_view.h"

#include <algorithm>

#include <QApplication>
#include <QClipboard>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QHash>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMimeData>
#include <QScrollBar>
#include <QWheelEvent>

#include "ui/grids/grid_copy.h"
#include "ui/grids/grid_model.h"
#include "ui/grids/grid_print.h"

namespace grids {

namespace {

// Room left and right of a fitted text, and for the grid line.
constexpr int kTextMargin = 8;

// Above this many cells a copied block goes to the clipboard as text only: its HTML
// table would be several times larger and no reader pastes it faster.
constexpr long long kLargestHtmlBlock = 200000;

}  // namespace

QFont gridFont()
{
    QFont font = QFontDatabase::hasFamily(QStringLiteral("Arial")) ? QFont(QStringLiteral("Arial"))
                                                                   : QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    if (!QFontDatabase::hasFamily(QStringLiteral("Arial")))
        font.setStyleHint(QFont::SansSerif);
    font.setPointSize(8);
    return font;
}

GridView::GridView(QWidget* parent) : QTableView(parent)
{
    setFont(gridFont());
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setWordWrap(false);
    // The frozen panes are kept aligned pixel for pixel.
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    const int rowHeight = QFontMetrics(font()).height() + 4;
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(rowHeight);
    verticalHeader()->setMinimumSectionSize(rowHeight);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setHighlightSections(true);
    verticalHeader()->setDefaultAlignment(Qt::AlignRight | Qt::AlignVCenter);

    top_ = makeOverlay(false, true);
    left_ = makeOverlay(true, false);
    corner_ = makeOverlay(true, false);

    connect(horizontalHeader(), &QHeaderView::sectionResized, this, &GridView::columnResized);
    connect(verticalHeader(), &QHeaderView::sectionResized, this, &GridView::rowResized);
    // The top rows follow sideways scrolling, the left columns up and down.
    connect(horizontalScrollBar(), &QScrollBar::valueChanged, top_->horizontalScrollBar(), &QScrollBar::setValue);
    connect(verticalScrollBar(), &QScrollBar::valueChanged, left_->verticalScrollBar(), &QScrollBar::setValue);
    connect(top_->horizontalScrollBar(), &QScrollBar::valueChanged, horizontalScrollBar(), &QScrollBar::setValue);
    connect(left_->verticalScrollBar(), &QScrollBar::valueChanged, verticalScrollBar(), &QScrollBar::setValue);
    // The other direction of each overlay never moves (a click at its edge would scroll it).
    for (QScrollBar* pinned : {top_->verticalScrollBar(), left_->horizontalScrollBar(),
                               corner_->verticalScrollBar(), corner_->horizontalScrollBar()})
        connect(pinned, &QScrollBar::valueChanged, pinned, [pinned](int value) {
            if (value != 0)
                pinned->setValue(0);
        });
}

GridView::~GridView() = default;

QTableView* GridView::makeOverlay(bool horizontalHeaderShown, bool verticalHeaderShown)
{
    auto* overlay = new QTableView(this);
    overlay->setFocusPolicy(Qt::NoFocus);
    overlay->setFrameShape(QFrame::NoFrame);
    overlay->setEditTriggers(QAbstractItemView::NoEditTriggers);
    overlay->setSelectionMode(selectionMode());
    overlay->setWordWrap(false);
    overlay->setAutoScroll(false);
    overlay->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    overlay->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    overlay->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    overlay->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    overlay->horizontalHeader()->setVisible(horizontalHeaderShown);
    overlay->verticalHeader()->setVisible(verticalHeaderShown);
    overlay->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    overlay->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    overlay->horizontalHeader()->setHighlightSections(true);
    overlay->verticalHeader()->setDefaultAlignment(verticalHeader()->defaultAlignment());
    overlay->verticalHeader()->setDefaultSectionSize(verticalHeader()->defaultSectionSize());
    overlay->verticalHeader()->setMinimumSectionSize(verticalHeader()->minimumSectionSize());
    // A frozen pane marks its edge like a spreadsheet's.
    overlay->setStyleSheet(QStringLiteral("QTableView { border-right: 1px solid #7f7f7f; border-bottom: 1px solid #7f7f7f; }"));
    overlay->viewport()->installEventFilter(this);
    overlay->hide();
    return overlay;
}

void GridView::setGridModel(GridModel* model)
{
    model_ = model;
    model->setParent(this);
    setModel(model);
    attachOverlays();
    placeOverlays();
}

void GridView::setFrozen(int rows, int columns)
{
    frozenRows_ = std::max(0, rows);
    frozenColumns_ = std::max(0, columns);
    attachOverlays();
    placeOverlays();
}

void GridView::attachOverlays()
{
    // The panes take the model only once something is frozen: a grid without frozen
    // panes (the worksheet preview of a large sheet) lays out one view, not four.
    if (!model_ || (frozenRows_ == 0 && frozenColumns_ == 0) || top_->model() == model_)
        return;
    for (QTableView* overlay : {top_, left_, corner_}) {
        overlay->setModel(model_);
        overlay->setSelectionModel(selectionModel());
        overlay->horizontalHeader()->setDefaultSectionSize(horizontalHeader()->defaultSectionSize());
        // The sizes set before the panes had the model.
        for (int c = 0; c < model_->columnCount(); ++c)
            if (overlay->columnWidth(c) != columnWidth(c))
                overlay->setColumnWidth(c, columnWidth(c));
        for (int r = 0; r < model_->rowCount(); ++r)
            if (overlay->rowHeight(r) != rowHeight(r))
                overlay->setRowHeight(r, rowHeight(r));
    }
}

int GridView::frozenWidth() const
{
    int width = 0;
    const int columns = model_ ? std::min(frozenColumns_, model_->columnCount()) : 0;
    for (int c = 0; c < columns; ++c)
        width += columnWidth(c);
    return width;
}

int GridView::frozenHeight() const
{
    int height = 0;
    const int rows = model_ ? std::min(frozenRows_, model_->rowCount()) : 0;
    for (int r = 0; r < rows; ++r)
        height += rowHeight(r);
    return height;
}

void GridView::placeOverlays()
{
    if (!model_)
        return;
    const int frame = frameWidth();
    const int headerWidth = verticalHeader()->isVisible() ? verticalHeader()->width() : 0;
    const int headerHeight = horizontalHeader()->isVisible() ? horizontalHeader()->height() : 0;
    const int width = frozenWidth();
    const int height = frozenHeight();
    const QRect area = viewport()->geometry();

    top_->setVisible(height > 0);
    left_->setVisible(width > 0);
    corner_->setVisible(width > 0 && height > 0);
    if (height > 0) {
        top_->verticalHeader()->setFixedWidth(headerWidth);
        top_->setGeometry(frame, area.top(), headerWidth + area.width(),
                          std::min(height, area.height()));
    }
    if (width > 0) {
        left_->horizontalHeader()->setFixedHeight(headerHeight);
        left_->setGeometry(area.left(), frame, std::min(width, area.width()), headerHeight + area.height());
    }
    if (width > 0 && height > 0) {
        corner_->horizontalHeader()->setFixedHeight(headerHeight);
        corner_->setGeometry(area.left(), frame, std::min(width, area.width()),
                             headerHeight + std::min(height, area.height()));
    }
    viewport()->stackUnder(top_);
    top_->raise();
    left_->raise();
    corner_->raise();
    top_->horizontalScrollBar()->setValue(horizontalScrollBar()->value());
    left_->verticalScrollBar()->setValue(verticalScrollBar()->value());
}

void GridView::keyPressEvent(QKeyEvent* event)
{
    // The block, not only the current cell as the item view would copy.
    const bool ctrlInsert = event->key() == Qt::Key_Insert && event->modifiers() == Qt::ControlModifier;
    if (event->matches(QKeySequence::Copy) || ctrlInsert) {
        copy();
        event->accept();
        return;
    }
    // Ctrl+Home and Ctrl+End go to the grid's first and last cell, as in a spreadsheet,
    // whichever pane has the current cell.
    const bool home = event->key() == Qt::Key_Home, end = event->key() == Qt::Key_End;
    if ((home || end) && event->modifiers() == Qt::ControlModifier && model_ && model_->rowCount() > 0
        && model_->columnCount() > 0) {
        const QModelIndex target =
            home ? model_->index(0, 0) : model_->index(model_->rowCount() - 1, model_->columnCount() - 1);
        setCurrentIndex(target);
        if (home) {
            horizontalScrollBar()->setValue(0);
            verticalScrollBar()->setValue(0);
        } else {
            scrollTo(target);
        }
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}

bool GridView::hasBlockSelection() const
{
    if (!model_)
        return false;
    const GridBlock block = selectedBlock(*selectionModel(), *model_);
    return !block.isEmpty() && (block.lastRow > block.firstRow || block.lastColumn > block.firstColumn);
}

void GridView::resizeEvent(QResizeEvent* event)
{
    QTableView::resizeEvent(event);
    placeOverlays();
}

void GridView::updateGeometries()
{
    QTableView::updateGeometries();
    placeOverlays();
}

bool GridView::eventFilter(QObject* watched, QEvent* event)
{
    // The wheel over a frozen pane scrolls the grid, which the panes then follow. Only
    // the panes' viewports are forwarded: the view also filters its own scroll bars (as
    // every scroll area does), and the body's wheel handler sends the event on to them,
    // so forwarding a scroll bar's wheel back to the body would never end.
    const bool overPane = top_ && (watched == top_->viewport() || watched == left_->viewport() || watched == corner_->viewport());
    if (event->type() == QEvent::Wheel && overPane) {
        QCoreApplication::sendEvent(viewport(), event);
        return true;
    }
    return QTableView::eventFilter(watched, event);
}

void GridView::columnResized(int column, int, int newWidth)
{
    for (QTableView* overlay : {top_, left_, corner_})
        overlay->setColumnWidth(column, newWidth);
    if (column < frozenColumns_)
        placeOverlays();
}

void GridView::rowResized(int row, int, int newHeight)
{
    for (QTableView* overlay : {top_, left_, corner_})
        overlay->setRowHeight(row, newHeight);
    if (row < frozenRows_)
        placeOverlays();
}

void GridView::scrollTo(const QModelIndex& index, ScrollHint hint)
{
    if (!index.isValid())
        return;
    // A frozen cell is always in view: scroll only along the other direction. A cell that
    // scrolls must come out from under the frozen panes.
    const bool frozenColumn = index.column() < frozenColumns_;
    const bool frozenRow = index.row() < frozenRows_;
    const int x = horizontalScrollBar()->value();
    const int y = verticalScrollBar()->value();
    QTableView::scrollTo(index, hint);
    if (frozenColumn)
        horizontalScrollBar()->setValue(x);
    if (frozenRow)
        verticalScrollBar()->setValue(y);
    const QRect rect = visualRect(index);
    const int width = frozenWidth(), height = frozenHeight();
    if (!frozenColumn && rect.left() < width)
        horizontalScrollBar()->setValue(horizontalScrollBar()->value() - (width - rect.left()));
    if (!frozenRow && rect.top() < height)
        verticalScrollBar()->setValue(verticalScrollBar()->value() - (height - rect.top()));
}

void GridView::fitColumns(int firstColumn, int lastColumn, int firstRow, int lastRow)
{
    if (!model_)
        return;
    lastRow = std::min(lastRow, model_->rowCount());
    lastColumn = std::min(lastColumn, model_->columnCount());
    const QFontMetrics cells(font());
    const QFontMetrics headings(horizontalHeader()->font());
    // A wide grid repeats the same short texts (counts, dates) thousands of times: each
    // is measured once.
    QHash<QString, int> measured;
    const auto cellWidth = [&](const QString& text) {
        auto it = measured.constFind(text);
        if (it == measured.constEnd())
            it = measured.insert(text, cells.horizontalAdvance(text));
        return *it;
    };
    for (int c = std::max(1, firstColumn); c <= lastColumn; ++c) {
        int width = 0;
        for (int r = std::max(0, firstRow); r <= lastRow; ++r) {
            const QString text = model_->text(r, c);
            if (!text.isEmpty())
                width = std::max(width, r == 0 ? headings.horizontalAdvance(text) : cellWidth(text));
        }
        setColumnWidth(c - 1, width + kTextMargin);
    }
}

void GridView::widenColumns(int firstColumn, int lastColumn, int pixels)
{
    if (firstColumn <= 0 && lastColumn >= 0)
        verticalHeader()->setMinimumWidth(pixels);
    if (!model_)
        return;
    lastColumn = std::min(lastColumn, model_->columnCount());
    for (int c = std::max(1, firstColumn); c <= lastColumn; ++c)
        if (columnWidth(c - 1) < pixels)
            setColumnWidth(c - 1, pixels);
}

void GridView::narrowColumns(int firstColumn, int lastColumn, int pixels)
{
    if (firstColumn <= 0 && lastColumn >= 0)
        verticalHeader()->setMaximumWidth(pixels);
    if (!model_)
        return;
    lastColumn = std::min(lastColumn, model_->columnCount());
    for (int c = std::max(1, firstColumn); c <= lastColumn; ++c)
        if (columnWidth(c - 1) > pixels)
            setColumnWidth(c - 1, pixels);
}

QMimeData* GridView::selectionMimeData() const
{
    auto* data = new QMimeData;
    if (!model_)
        return data;
    GridBlock block = selectedBlock(*selectionModel(), *model_);
    if (block.isEmpty() && currentIndex().isValid())
        block = {currentIndex().row() + 1, currentIndex().row() + 1, currentIndex().column() + 1,
                 currentIndex().column() + 1};
    if (block.isEmpty())
        return data;
    data->setText(blockText(*model_, block));
    const long long cells = static_cast<long long>(block.lastRow - block.firstRow + 1) *
                            (block.lastColumn - block.firstColumn + 1);
    if (cells <= kLargestHtmlBlock)
        data->setHtml(blockHtml(*model_, block));
    return data;
}

void GridView::copy()
{
    QApplication::clipboard()->setMimeData(selectionMimeData());
}

void GridView::print(QPrinter& printer, const QString& caption, bool selectionOnly) const
{
    if (!model_)
        return;
    GridBlock block{1, model_->rowCount(), 1, model_->columnCount()};
    if (selectionOnly) {
        const GridBlock selected = selectedBlock(*selectionModel(), *model_);
        if (!selected.isEmpty())
            block = {std::max(1, selected.firstRow), selected.lastRow, std::max(1, selected.firstColumn),
                     selected.lastColumn};
    }
    GridPrintSource source;
    source.model = model_;
    source.block = block;
    source.frozenRows = frozenRows_;
    source.frozenColumns = frozenColumns_;
    source.font = font();
    source.headerFont = horizontalHeader()->font();
    // As the view lays out its headers, whether or not it has been shown yet.
    source.rowHeaderWidth = qBound(verticalHeader()->minimumWidth(), verticalHeader()->sizeHint().width(),
                                   verticalHeader()->maximumWidth());
    source.headerHeight = qBound(horizontalHeader()->minimumHeight(), horizontalHeader()->sizeHint().height(),
                                 horizontalHeader()->maximumHeight());
    source.screenDpi = logicalDpiX();
    for (int c = 0; c < model_->columnCount(); ++c)
        source.columnWidths.push_back(columnWidth(c));
    source.rowHeight = verticalHeader()->defaultSectionSize();
    printGrid(printer, source, caption);
}

}  // namespace grids
