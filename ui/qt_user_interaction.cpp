#include "ui/qt_user_interaction.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>

#include "ui/long_work.h"
#include "ui/results_file_dialog.h"
#include "ui/worksheet_select_dialog.h"

const char* const QtUserInteraction::kCaption = "TORVENII";

QWidget* QtUserInteraction::dialogParent() const
{
    // While the splash is up the main window is disabled, and so would be every box made
    // its child: a message at start-up then stands alone.
    return parent_ && parent_->isEnabled() ? parent_.data() : nullptr;
}

void QtUserInteraction::showMessage(const std::string& text, const std::string& detail)
{
    QMessageBox box(QMessageBox::Warning, QString::fromLatin1(kCaption), QString::fromStdString(text), QMessageBox::Ok,
                    dialogParent());
    if (!detail.empty())
        box.setInformativeText(QString::fromStdString(detail));
    // A message shown under the wait cursor must still be answerable with the mouse.
    const bool busy = QApplication::overrideCursor() != nullptr;
    if (busy)
        QApplication::setOverrideCursor(Qt::ArrowCursor);
    box.exec();
    if (busy)
        QApplication::restoreOverrideCursor();
}

UserInteraction::Answer QtUserInteraction::askYesNoCancel(const std::string& question)
{
    QMessageBox box(QMessageBox::Question, QString::fromLatin1(kCaption), QString::fromStdString(question),
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, dialogParent());
    box.setDefaultButton(QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::Cancel);
    // With several jobs open the question alone does not say which one it is about.
    if (!jobWorkbook_.isEmpty())
        box.setInformativeText(QStringLiteral("Workbook: ") + QDir::toNativeSeparators(jobWorkbook_));
    switch (box.exec()) {
    case QMessageBox::Yes: return Answer::Yes;
    case QMessageBox::No: return Answer::No;
    default: return Answer::Cancel;
    }
}

std::optional<WorksheetChoice> QtUserInteraction::chooseWorksheet(const wb::Book& book,
                                                                  const std::vector<std::string>& sheetNames, int family)
{
    WorksheetSelectDialog dialog(&book, sheetNames, family, dialogParent());
    dialog.setHelp(help_);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.choice();
}

std::optional<WorksheetChoice> QtUserInteraction::chooseWorksheetAgain(const wb::Book& book,
                                                                       const std::vector<std::string>& sheetNames,
                                                                       const WorksheetChoice& previous)
{
    WorksheetSelectDialog dialog(&book, sheetNames, previous.family, dialogParent());
    dialog.setChoice(previous);
    dialog.setHelp(help_);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.choice();
}

std::optional<WorksheetChoice> QtUserInteraction::chooseWorksheetFrom(const wb::Book& book,
                                                                      const std::vector<std::string>& sheetNames,
                                                                      const WorksheetChoice& start)
{
    // The same dialog as for the job's first workbook, its choices made as last time.
    return chooseWorksheetAgain(book, sheetNames, start);
}

std::optional<std::string> QtUserInteraction::chooseResultsFile()
{
    const QString folder = jobWorkbook_.isEmpty() ? QString() : QFileInfo(jobWorkbook_).absolutePath();
    std::optional<std::string> chosen = pickResultsFile(folder);
    if (chosen)
        lastResultsFile_ = QString::fromStdString(*chosen);
    return chosen;
}

std::optional<std::string> QtUserInteraction::pickResultsFile(const QString& folder)
{
    ResultsFileDialog dialog(dialogParent(), folder);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.chosenPath();
}

bool QtUserInteraction::runLong(const std::string& what, const std::function<void(WorkProgress&)>& work, bool stoppable)
{
    return longwork::Run(dialogParent(), QString::fromStdString(what), work, stoppable);
}

void QtUserInteraction::beginBusy()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

void QtUserInteraction::endBusy()
{
    QApplication::restoreOverrideCursor();
}
