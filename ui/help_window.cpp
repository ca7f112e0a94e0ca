#include "ui/help_window.h"

#include <QPdfDocument>
#include <QPdfView>
#include <QVBoxLayout>

HelpWindow::HelpWindow(QWidget* parent)
    : QWidget(parent, Qt::Window), document_(new QPdfDocument(this)), view_(new QPdfView(this))
{
    setWindowTitle(QStringLiteral("TORVEN II Help"));
    view_->setDocument(document_);
    view_->setPageMode(QPdfView::PageMode::MultiPage);
    view_->setZoomMode(QPdfView::ZoomMode::FitToWidth);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(view_);
    resize(760, 900);
}

bool HelpWindow::load(const QString& path)
{
    return document_->load(path) == QPdfDocument::Error::None && document_->pageCount() > 0;
}

int HelpWindow::pageCount() const
{
    return document_->pageCount();
}
