#pragma once

#include <QMdiSubWindow>
#include <QPointer>
#include <memory>

class Job;
class JobForm;
class UserInteraction;

// The fixed-size child window of a job's form. It owns the job: closing it asks the job's
// save question and, when the job may close, closes the job's other windows with it.
class JobFrame : public QMdiSubWindow {
    Q_OBJECT
public:
    JobFrame(std::unique_ptr<Job> job, UserInteraction& ui, QWidget* parent = nullptr);
    ~JobFrame() override;

    Job& job() const { return *job_; }
    JobForm* form() const { return form_; }

    // The job's data and results windows, when open.
    QPointer<QMdiSubWindow> dataWindow;
    QPointer<QMdiSubWindow> resultsWindow;

    // Closes the job and its windows without asking again (the question has been answered,
    // as when the program ends).
    void closeWithoutAsking();

signals:
    // The job is about to go: its other windows go with it.
    void jobClosing(JobFrame* frame);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    std::unique_ptr<Job> job_;
    JobForm* form_;
    bool mayClose_ = false;
};
