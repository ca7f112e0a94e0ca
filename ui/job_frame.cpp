#include "ui/job_frame.h"

#include <QCloseEvent>
#include <QLayout>
#include <QMdiArea>

#include "app/job.h"
#include "ui/help_section.h"
#include "ui/job_form.h"
#include "ui/job_subject.h"

JobFrame::JobFrame(std::unique_ptr<Job> job, UserInteraction& ui, QWidget* parent)
    : QMdiSubWindow(parent), job_(std::move(job)), ui_(ui)
{
    setAttribute(Qt::WA_DeleteOnClose);
    // A small window that opens at the form's size and can be made larger, so that a long
    // summary needs less scrolling; no minimise or maximise.
    setWindowFlags(Qt::SubWindow | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    form_ = new JobForm(*job_, ui, this);
    setWidget(form_);
    setWindowTitle(QString::fromStdString(job_->samples.title));
    SetHelpSection(this, QStringLiteral("The job form"));
    setWindowIcon(QIcon(QStringLiteral(":/icons/torven.svg")));
    connect(form_, &JobForm::closeRequested, this, &QMdiSubWindow::close);
    connect(form_, &JobForm::resultsSaved, this, &JobFrame::resultsSaved);
}

JobFrame::~JobFrame() = default;

bool JobFrame::askSaveModified()
{
    if (!job_->modified)
        return true;
    // The question is about the window the user sees in front.
    if (isMinimized())
        showNormal();
    if (QMdiArea* area = mdiArea())
        area->setActiveSubWindow(this);
    raise();
    const JobSubject subject(ui_, *job_);
    const bool mayClose = job_->SaveModified();
    if (mayClose && !job_->modified)
        if (auto* desktop = dynamic_cast<QtUserInteraction*>(&ui_))
            emit resultsSaved(desktop->lastResultsFile());
    return mayClose;
}

void JobFrame::closeWithoutAsking()
{
    mayClose_ = true;
    close();
}

void JobFrame::closeEvent(QCloseEvent* event)
{
    if (!mayClose_ && !askSaveModified()) {
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
