#pragma once

#include <QMdiSubWindow>
#include <QPointer>
#include <memory>

class CTVNDoc;
class CTVNView;
class UserInteraction;

// The fixed-size child window of a job's form. It owns the job: closing it asks the job's
// save question and, when the job may close, closes the job's other windows with it.
class CChildFrame2 : public QMdiSubWindow {
    Q_OBJECT
public:
    CChildFrame2(std::unique_ptr<CTVNDoc> job, UserInteraction& ui, QWidget* parent = nullptr);
    ~CChildFrame2() override;

    CTVNDoc& job() const { return *job_; }
    CTVNView* form() const { return form_; }

    // The job's data and results windows, when open.
    QPointer<QMdiSubWindow> dataWindow;
    QPointer<QMdiSubWindow> resultsWindow;

    // Closes the job and its windows without asking again (the question has been answered,
    // as when the program ends).
    void closeWithoutAsking();

signals:
    // The job is about to go: its other windows go with it.
    void jobClosing(CChildFrame2* frame);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    std::unique_ptr<CTVNDoc> job_;
    CTVNView* form_;
    bool mayClose_ = false;
};

// The child window of a data or results view: it closes alone, without asking. It carries
// the job it shows so that menu commands reach that job.
class CChildFrame : public QMdiSubWindow {
    Q_OBJECT
public:
    explicit CChildFrame(CChildFrame2* jobFrame, QWidget* parent = nullptr);
    CChildFrame2* jobFrame() const { return jobFrame_; }

private:
    QPointer<CChildFrame2> jobFrame_;
};
