#pragma once

#include <QWidget>

class Job;
class QPlainTextEdit;
class QPushButton;
class UserInteraction;

// The job form: the job's summary text and the buttons that drive its analysis. The form
// runs what belongs to the job itself (analysis, defaults, save); opening windows, help
// and closing are the main window's, which it asks through signals.
class JobForm : public QWidget {
    Q_OBJECT
public:
    JobForm(Job& job, UserInteraction& ui, QWidget* parent = nullptr);

    Job& job() const { return job_; }

    // Whether the data and results windows can be opened at all in this build; their
    // buttons stay disabled until they can.
    void setGridWindowsAvailable(bool available);

    // Puts the job's summary into the text box again.
    void showSummary();
    // The buttons' enabling for the job's state.
    void updateButtons();

    // The form's size, from its layout in dialog units: the size it opens at. It grows
    // with its window, the summary taking the room.
    QSize formSize() const { return formSize_; }
    QSize sizeHint() const override;

    QPlainTextEdit* summaryBox() const { return summaryBox_; }
    QPushButton* addWorkbookButton() const { return addWorkbookButton_; }
    QPushButton* changeDefaultsButton() const { return changeDefaultsButton_; }
    QPushButton* viewDataButton() const { return viewDataButton_; }
    QPushButton* analyseButton() const { return analyseButton_; }
    QPushButton* viewResultsButton() const { return viewResultsButton_; }
    QPushButton* saveButton() const { return saveButton_; }
    QPushButton* unmatchedTaxaButton() const { return unmatchedTaxaButton_; }
    QPushButton* helpButton() const { return helpButton_; }
    QPushButton* closeButton() const { return closeButton_; }

public slots:
    // "Add workbook": the workbooks chosen in a file dialog join the job (addWorkbooks).
    void addWorkbook();
    // The samples of the workbooks at paths join the job, each workbook's worksheet chosen
    // in its dialog; true when they joined (else the job is as it was).
    bool addWorkbooks(const QStringList& paths);
    void analyse();
    void changeDefaults();
    // The job's results export; false when nothing was written.
    bool save();
    // The "Unmatched taxa" window; an accepted change of the taxon map analyses an
    // analysed job again.
    void showUnmatchedTaxa();

signals:
    void viewDataRequested();
    void viewResultsRequested();
    void helpRequested();
    void closeRequested();
    // The analysis succeeded: the job's other windows show stale data.
    void jobAnalysed();
    // More samples joined the job: its data window shows stale data.
    void samplesAdded();
    // The modified flag may have changed (a save).
    void jobChanged();
    // The job's results were written to path.
    void resultsSaved(const QString& path);

private:
    Job& job_;
    UserInteraction& ui_;
    bool gridWindowsAvailable_ = false;
    QSize formSize_;
    QPlainTextEdit* summaryBox_;
    QPushButton* addWorkbookButton_;
    QPushButton* changeDefaultsButton_;
    QPushButton* viewDataButton_;
    QPushButton* analyseButton_;
    QPushButton* viewResultsButton_;
    QPushButton* saveButton_;
    QPushButton* unmatchedTaxaButton_;
    QPushButton* helpButton_;
    QPushButton* closeButton_;
};
