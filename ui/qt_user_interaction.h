#pragma once

#include <QPointer>
#include <QWidget>
#include <functional>

#include "import/user_interaction.h"

// The desktop program's answer to the core's questions: message boxes with the core's
// texts (a file's name and reason as the box's informative text), Yes/No/Cancel, the
// worksheet selection dialog, the results save dialog, and the wait cursor.
class QtUserInteraction : public UserInteraction {
public:
    QtUserInteraction() = default;

    // The window the dialogs are centred on and modal to (the main window).
    void setParentWidget(QWidget* parent) { parent_ = parent; }
    QWidget* parentWidget() const { return parent_; }
    // What the dialogs' Help buttons do.
    void setHelp(std::function<void()> help) { help_ = std::move(help); }

    void showMessage(const std::string& text, const std::string& detail = std::string()) override;
    Answer askYesNoCancel(const std::string& question) override;
    std::optional<WorksheetChoice> chooseWorksheet(const wb::Book& book, const std::vector<std::string>& sheetNames,
                                                   int family) override;
    std::optional<WorksheetChoice> chooseWorksheetAgain(const wb::Book& book, const std::vector<std::string>& sheetNames,
                                                        const WorksheetChoice& previous) override;
    std::optional<WorksheetChoice> chooseWorksheetFrom(const wb::Book& book, const std::vector<std::string>& sheetNames,
                                                       const WorksheetChoice& start) override;
    std::optional<std::string> chooseResultsFile() override;
    bool runLong(const std::string& what, const std::function<void(WorkProgress&)>& work, bool stoppable) override;
    void beginBusy() override;
    void endBusy() override;

    // The workbook of the job the questions and file choices are about (see JobSubject):
    // a question names it in its detail line, and the save dialog starts in its folder.
    // Empty when no job is named.
    QString jobWorkbook() const { return jobWorkbook_; }
    void setJobWorkbook(const QString& path) { jobWorkbook_ = path; }
    // The file chosen last in the save dialog.
    QString lastResultsFile() const { return lastResultsFile_; }

    // The caption of every message box.
    static const char* const kCaption;

protected:
    // The save dialog itself, started in folder (when not empty).
    virtual std::optional<std::string> pickResultsFile(const QString& folder);

private:
    QWidget* dialogParent() const;

    QPointer<QWidget> parent_;
    std::function<void()> help_;
    QString jobWorkbook_;
    QString lastResultsFile_;
};
