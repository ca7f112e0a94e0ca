#pragma once

#include <QString>

#include "app/job.h"
#include "ui/qt_user_interaction.h"

// Names the job that the questions and file choices asked while it lives are about: the
// desktop's message boxes name its workbook, its save dialog starts in the workbook's
// folder. Any other user interaction is left as it is.
class JobSubject {
public:
    JobSubject(UserInteraction& ui, const Job& job) : ui_(dynamic_cast<QtUserInteraction*>(&ui))
    {
        if (!ui_)
            return;
        previous_ = ui_->jobWorkbook();
        ui_->setJobWorkbook(QString::fromStdString(job.samples.path));
    }
    ~JobSubject()
    {
        if (ui_)
            ui_->setJobWorkbook(previous_);
    }
    JobSubject(const JobSubject&) = delete;
    JobSubject& operator=(const JobSubject&) = delete;

private:
    QtUserInteraction* ui_;
    QString previous_;
};
