#include "ui/job_frame.h"

#include <QCloseEvent>
#include <QLayout>

#include "app/tvn_doc.h"
#include "ui/job_form.h"

CChildFrame2::CChildFrame2(std::unique_ptr<CTVNDoc> job, UserInteraction& ui, QWidget* parent)
    : QMdiSubWindow(parent), job_(std::move(job))
{
    setAttribute(Qt::WA_DeleteOnClose);
    // A small fixed window: no resizing, no minimise or maximise.
    setWindowFlags(Qt::SubWindow | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    form_ = new CTVNView(*job_, ui, this);
    setWidget(form_);
    setWindowTitle(QString::fromStdString(job_->title));
    setWindowIcon(QIcon(QStringLiteral(":/icons/torven.svg")));
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    connect(form_, &CTVNView::closeRequested, this, &QMdiSubWindow::close);
}

CChildFrame2::~CChildFrame2() = default;

void CChildFrame2::closeWithoutAsking()
{
    mayClose_ = true;
    close();
}

void CChildFrame2::closeEvent(QCloseEvent* event)
{
    if (!mayClose_ && !job_->CanCloseFrame(CTVNDoc::Window::JobForm)) {
        event->ignore();
        return;
    }
    mayClose_ = true;
    emit jobClosing(this);
    if (dataWindow)
        dataWindow->close();
    if (resultsWindow)
        resultsWindow->close();
    QMdiSubWindow::closeEvent(event);
}

CChildFrame::CChildFrame(CChildFrame2* jobFrame, QWidget* parent) : QMdiSubWindow(parent), jobFrame_(jobFrame)
{
    setWindowIcon(QIcon(QStringLiteral(":/icons/torven.svg")));
    setAttribute(Qt::WA_DeleteOnClose);
}
