#include "ui/help_window.h"

#include <QEvent>
#include <QFile>
#include <QGuiApplication>
#include <QListWidget>
#include <QPdfDocument>
#include <QPdfPageNavigator>
#include <QPdfView>
#include <QScreen>
#include <QSplitter>
#include <QVBoxLayout>

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
    resize(860, 900);
}

bool HelpWindow::load(const QString& path)
{
    if (document_->load(path) != QPdfDocument::Error::None || document_->pageCount() == 0)
        return false;
    fillContents(path);
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
    const QScreen* screen = home_ ? home_->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect available = screen->availableGeometry();
    const QSize wanted(std::min(860, available.width() * 9 / 10), std::min(900, available.height() * 9 / 10));
    resize(wanted);
    move(available.center() - QPoint(wanted.width() / 2, wanted.height() / 2));
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
    raise();
    activateWindow();
}

bool HelpWindow::eventFilter(QObject* watched, QEvent* event)
{
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
