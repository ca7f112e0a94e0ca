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

    // The save-before-closing question of the job, with this window brought to the front
    // and the job's workbook named: true when the job may close.
    bool askSaveModified();

    // Closes the job and its windows without asking again (the question has been answered,
    // as when the program ends).
    void closeWithoutAsking();

signals:
    // The job is about to go: its other windows go with it.
    void jobClosing(JobFrame* frame);
    // The job's results were written to path.
    void resultsSaved(const QString& path);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    std::unique_ptr<Job> job_;
    UserInteraction& ui_;
    JobForm* form_;
    bool mayClose_ = false;
};
