#include "ui/help_window.h"

#include <QEvent>
#include <QFile>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QKeySequence>
#include <QListWidget>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSettings>
#include <QShortcut>
#include <QWheelEvent>
#include <QPdfDocument>
#include <QPdfPageNavigator>
#include <QPdfView>
#include <QScreen>
#include <QSplitter>
#include <QVBoxLayout>

#include <algorithm>

#include "ui/screen_fit.h"

namespace {

// A contents title without its number: "4.3 The job form" -> "The job form".
QString withoutNumber(const QString& title)
{
    static const QRegularExpression number(QStringLiteral("^[0-9]+(\\.[0-9]+)*\\s+"));
    return title.trimmed().remove(number);
}

constexpr double kMinimumZoom = 0.25, kMaximumZoom = 6.0;
const QString kGeometryKey = QStringLiteral("helpWindow/geometry");

}  // namespace

QList<HelpContentsEntry> ParseHelpContents(const QString& contentsText)
{
    QList<HelpContentsEntry> entries;
    for (const QString& line : contentsText.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const QStringList fields = line.split(QLatin1Char('\t'));
        bool levelRead = false, pageRead = false;
        const int level = fields.value(0).toInt(&levelRead);
        const int page = fields.value(1).toInt(&pageRead);
        if (fields.size() == 3 && levelRead && pageRead && !fields[2].trimmed().isEmpty())
            entries.append({level, fields[2].trimmed(), page});
    }
    return entries;
}

HelpWindow::HelpWindow(QWidget* parent)
    : QWidget(parent, Qt::Window), document_(new QPdfDocument(this)), view_(new QPdfView(this)),
      contents_(new QListWidget(this))
{
    setWindowTitle(QStringLiteral("TORVEN II Help"));
    view_->setDocument(document_);
    view_->setPageMode(QPdfView::PageMode::MultiPage);
    view_->setZoomMode(QPdfView::ZoomMode::FitToWidth);
    contents_->setToolTip(QStringLiteral("Click a chapter or section to go to its page"));
    auto* splitter = new QSplitter(this);
    splitter->addWidget(contents_);
    splitter->addWidget(view_);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({270, 590});
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(splitter);
    connect(contents_, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
        view_->pageNavigator()->jump(item->data(Qt::UserRole).toInt() - 1, QPointF(), 0);
    });
    connect(contents_, &QListWidget::itemClicked, contents_, &QListWidget::itemActivated);
    view_->viewport()->installEventFilter(this);

    auto addKeys = [this](const QList<QKeySequence>& keys, auto slot) {
        for (const QKeySequence& key : keys) {
            auto* shortcut = new QShortcut(key, this);
            shortcut->setContext(Qt::WindowShortcut);
            connect(shortcut, &QShortcut::activated, this, slot);
        }
    };
    addKeys({QKeySequence(Qt::CTRL | Qt::Key_W)}, [this] { close(); });
    addKeys({QKeySequence(Qt::CTRL | Qt::Key_Plus), QKeySequence(Qt::CTRL | Qt::Key_Equal)}, [this] { zoomBy(1.25); });
    addKeys({QKeySequence(Qt::CTRL | Qt::Key_Minus)}, [this] { zoomBy(0.8); });
    addKeys({QKeySequence(Qt::CTRL | Qt::Key_0)}, [this] { resetZoom(); });
    resize(860, 900);
}

double HelpWindow::zoom() const
{
    if (view_->zoomMode() != QPdfView::ZoomMode::FitToWidth || document_->pageCount() == 0)
        return view_->zoomFactor();
    // The factor at which a page's width fills the view, as the view works it out: points
    // at the screen's logical resolution.
    const double pageWidth = document_->pagePointSize(0).width() * logicalDpiX() / 72.0;
    const QMargins margins = view_->documentMargins();
    const int room = view_->viewport()->width() - margins.left() - margins.right();
    return pageWidth > 0 && room > 0 ? room / pageWidth : 1.0;
}

void HelpWindow::zoomBy(double factor)
{
    // From "fit to width" the first step is a step from what the user sees.
    const double current = zoom();
    // The same place of the manual stays in view: the scroll position kept as a share of
    // the whole, which grows and shrinks with the pages.
    QScrollBar* bar = view_->verticalScrollBar();
    const double share = bar->maximum() > 0 ? double(bar->value()) / bar->maximum() : 0.0;
    view_->setZoomMode(QPdfView::ZoomMode::Custom);
    view_->setZoomFactor(std::clamp(current * factor, kMinimumZoom, kMaximumZoom));
    bar->setValue(static_cast<int>(share * bar->maximum() + 0.5));
}

void HelpWindow::resetZoom()
{
    QScrollBar* bar = view_->verticalScrollBar();
    const double share = bar->maximum() > 0 ? double(bar->value()) / bar->maximum() : 0.0;
    view_->setZoomMode(QPdfView::ZoomMode::FitToWidth);
    bar->setValue(static_cast<int>(share * bar->maximum() + 0.5));
}

bool HelpWindow::showSection(const QString& section)
{
    const QString wanted = withoutNumber(section);
    for (int i = 0; i < contents_->count(); ++i) {
        QListWidgetItem* item = contents_->item(i);
        if (withoutNumber(item->text()).compare(wanted, Qt::CaseInsensitive) != 0)
            continue;
        contents_->setCurrentItem(item);
        view_->pageNavigator()->jump(item->data(Qt::UserRole).toInt() - 1, QPointF(), 0);
        return true;
    }
    return false;
}

bool HelpWindow::load(const QString& path)
{
    loadedPath_.clear();
    if (document_->load(path) != QPdfDocument::Error::None || document_->pageCount() == 0)
        return false;
    fillContents(path);
    loadedPath_ = path;
    return true;
}

int HelpWindow::pageCount() const
{
    return document_->pageCount();
}

int HelpWindow::currentPage() const
{
    return view_->pageNavigator()->currentPage();
}

void HelpWindow::fillContents(const QString& pdfPath)
{
    contents_->clear();
    QString contentsPath = pdfPath;
    if (contentsPath.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive))
        contentsPath.chop(4);
    QFile file(contentsPath + QStringLiteral(".toc"));
    if (file.open(QIODevice::ReadOnly) && file.size() < (1 << 20)) {
        for (const HelpContentsEntry& entry : ParseHelpContents(QString::fromUtf8(file.readAll()))) {
            if (entry.page < 1 || entry.page > document_->pageCount())
                continue;
            auto* item = new QListWidgetItem(entry.level > 1 ? QStringLiteral("    ") + entry.title : entry.title,
                                             contents_);
            item->setData(Qt::UserRole, entry.page);
            if (entry.level == 1) {
                QFont bold = item->font();
                bold.setBold(true);
                item->setFont(bold);
            }
        }
    }
    contents_->setVisible(contents_->count() > 0);
}

void HelpWindow::fitToScreen()
{
    // Where it was last closed, when that is known; else centred, most of the screen high.
    if (restoreGeometry(QSettings().value(kGeometryKey).toByteArray()))
        return;
    const QScreen* screen = home_ ? home_->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect available = screen->availableGeometry();
    // Room is left for the title bar, which the window manager adds above the window.
    const int titleBar = std::min(40, available.height() / 10);
    const QSize wanted(std::min(860, available.width() * 9 / 10),
                       std::min(900, available.height() * 9 / 10 - titleBar));
    resize(wanted);
    move(available.left() + (available.width() - wanted.width()) / 2,
         available.top() + (available.height() - wanted.height() - titleBar) / 2);
}

void HelpWindow::keyPressEvent(QKeyEvent* event)
{
    // Escape reaches the window when the part with the focus has no use for it.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void HelpWindow::hideEvent(QHideEvent* event)
{
    if (sized_ && !isMinimized())
        QSettings().setValue(kGeometryKey, saveGeometry());
    QWidget::hideEvent(event);
}

void HelpWindow::showOver(QWidget* owner, QWidget* home)
{
    home_ = home;
    if (owner_ && owner_ != owner)
        owner_->removeEventFilter(this);
    QWidget* parent = owner ? owner : home;
    if (parentWidget() != parent) {
        const QRect geometry = this->geometry();
        setParent(parent, Qt::Window);
        if (sized_)
            setGeometry(geometry);
    }
    owner_ = owner;
    if (owner_ && owner_ != home_)
        owner_->installEventFilter(this);
    if (!sized_) {
        fitToScreen();
        sized_ = true;
    }
    show();
    // Its frame within the screen, whatever the screen's size and scale.
    FitWindowToScreen(this);
    raise();
    activateWindow();
}

bool HelpWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == view_->viewport() && event->type() == QEvent::Wheel) {
        auto* wheel = static_cast<QWheelEvent*>(event);
        if (wheel->modifiers() & Qt::ControlModifier) {
            const int steps = wheel->angleDelta().y();
            if (steps != 0)
                zoomBy(steps > 0 ? 1.25 : 0.8);
            return true;
        }
    }
    // The dialog the help was shown over is closing: the help stays open, back with home.
    if (watched == owner_ && event->type() == QEvent::Hide && isVisible()) {
        owner_->removeEventFilter(this);
        owner_ = nullptr;
        const QRect geometry = this->geometry();
        setParent(home_, Qt::Window);
        setGeometry(geometry);
        show();
    }
    return QWidget::eventFilter(watched, event);
}
