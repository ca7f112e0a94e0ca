#include "ui/job_frame.h"

#include <QCloseEvent>
#include <QLayout>

#include "app/job.h"
#include "ui/job_form.h"

JobFrame::JobFrame(std::unique_ptr<Job> job, UserInteraction& ui, QWidget* parent)
    : QMdiSubWindow(parent), job_(std::move(job))
{
    setAttribute(Qt::WA_DeleteOnClose);
    // A small fixed window: no resizing, no minimise or maximise.
    setWindowFlags(Qt::SubWindow | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    form_ = new JobForm(*job_, ui, this);
    setWidget(form_);
    setWindowTitle(QString::fromStdString(job_->title));
    setWindowIcon(QIcon(QStringLiteral(":/icons/torven.svg")));
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    connect(form_, &JobForm::closeRequested, this, &QMdiSubWindow::close);
}

JobFrame::~JobFrame() = default;

void JobFrame::closeWithoutAsking()
{
    mayClose_ = true;
    close();
}

void JobFrame::closeEvent(QCloseEvent* event)
{
    if (!mayClose_ && !job_->CanCloseFrame(Job::Window::JobForm)) {
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
