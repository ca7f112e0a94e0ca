#pragma once

#include <QMdiSubWindow>
#include <QPointer>

#include "ui/job_frame.h"

// The child window of a data or results view: it closes alone, without asking. It carries
// the job it shows so that menu commands reach that job.
class ViewFrame : public QMdiSubWindow {
    Q_OBJECT
public:
    explicit ViewFrame(JobFrame* jobFrame, QWidget* parent = nullptr);
    JobFrame* jobFrame() const { return jobFrame_; }

private:
    QPointer<JobFrame> jobFrame_;
};
