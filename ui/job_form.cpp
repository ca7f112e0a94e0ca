#include "ui/job_form.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/job.h"
#include "metrics/taxon_map_use.h"
#include "ui/default_dialog.h"
#include "ui/dialog_units.h"
#include "ui/unmatched_taxa_dialog.h"
#include "ui/job_subject.h"

JobForm::JobForm(Job& job, UserInteraction& ui, QWidget* parent) : QWidget(parent), job_(job), ui_(ui)
{
    const DialogUnits du(font());
    summaryBox_ = new QPlainTextEdit(this);
    summaryBox_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    // Nothing typed into the summary could be kept: it is for reading and copying.
    summaryBox_->setReadOnly(true);
    summaryBox_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    summaryBox_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    // One tab stop every 80 units lines up the summary's "Label:<tab>value" lines.
    summaryBox_->setTabStopDistance(du.x(80));

    // The form opens at its size in dialog units, the summary 203 by 169 and the buttons
    // 58 by 18 in a column beside it; a larger form gives the summary all the room.
    auto* buttons = new QVBoxLayout;
    buttons->setSpacing(du.y(4));
    auto makeButton = [&](const char* text) {
        auto* button = new QPushButton(QString::fromLatin1(text), this);
        button->setFixedSize(du.size(58, 18));
        buttons->addWidget(button);
        return button;
    };
    addWorkbookButton_ = makeButton("Add workbook");
    changeDefaultsButton_ = makeButton("Change defaults");
    viewDataButton_ = makeButton("View Data");
    analyseButton_ = makeButton("Analyse");
    viewResultsButton_ = makeButton("View Results");
    saveButton_ = makeButton("Save");
    unmatchedTaxaButton_ = makeButton("Unmatched taxa");
    buttons->addStretch(1);
    helpButton_ = makeButton("Help");
    closeButton_ = makeButton("Close");
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(du.x(7), du.y(7), du.x(7), du.y(7));
    layout->setSpacing(du.x(9));
    layout->addWidget(summaryBox_, 1);
    layout->addLayout(buttons);
    // Taller than that when the button column needs it (larger fonts).
    formSize_ = du.size(284, 183).expandedTo(layout->minimumSize());
    setMinimumSize(layout->minimumSize().expandedTo(du.size(200, 160)));
    resize(formSize_);

    connect(addWorkbookButton_, &QPushButton::clicked, this, &JobForm::addWorkbook);
    connect(changeDefaultsButton_, &QPushButton::clicked, this, &JobForm::changeDefaults);
    connect(viewDataButton_, &QPushButton::clicked, this, &JobForm::viewDataRequested);
    connect(analyseButton_, &QPushButton::clicked, this, &JobForm::analyse);
    connect(viewResultsButton_, &QPushButton::clicked, this, &JobForm::viewResultsRequested);
    connect(saveButton_, &QPushButton::clicked, this, &JobForm::save);
    connect(unmatchedTaxaButton_, &QPushButton::clicked, this, &JobForm::showUnmatchedTaxa);
    connect(helpButton_, &QPushButton::clicked, this, &JobForm::helpRequested);
    connect(closeButton_, &QPushButton::clicked, this, &JobForm::closeRequested);

    showSummary();
    updateButtons();
}

QSize JobForm::sizeHint() const
{
    return formSize_;
}

void JobForm::setGridWindowsAvailable(bool available)
{
    gridWindowsAvailable_ = available;
    updateButtons();
}

void JobForm::showSummary()
{
    // The summary's lines end in CR LF; the box wants one line feed.
    QString text = QString::fromStdString(job_.summary());
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    summaryBox_->setPlainText(text);
}

void JobForm::updateButtons()
{
    // Workbooks join a job before its analysis: results never mix two sets of samples.
    addWorkbookButton_->setEnabled(!job_.analysed && job_.samples.counts != nullptr);
    analyseButton_->setEnabled(!job_.analysed);
    viewDataButton_->setEnabled(gridWindowsAvailable_);
    viewResultsButton_->setEnabled(job_.analysed && gridWindowsAvailable_);
    saveButton_->setEnabled(job_.analysed);
    unmatchedTaxaButton_->setEnabled(job_.samples.counts != nullptr);
}

void JobForm::addWorkbook()
{
    if (job_.analysed)
        return;
    const QString folder = QFileInfo(QString::fromStdString(job_.samples.path)).absolutePath();
    const QStringList paths = QFileDialog::getOpenFileNames(this, QStringLiteral("Add workbook"), folder,
                                                            QStringLiteral("Excel Workbook (*.xls *.xlsx);;All Files (*)"));
    if (!paths.isEmpty())
        addWorkbooks(paths);
}

bool JobForm::addWorkbooks(const QStringList& paths)
{
    if (job_.analysed || paths.isEmpty())
        return false;
    std::vector<std::string> files;
    for (const QString& path : paths)
        files.push_back(path.toStdString());
    bool added = false;
    {
        const JobSubject subject(ui_, job_);
        added = job_.AddWorkbooks(files);
    }
    if (!added)
        return false;
    showSummary();
    updateButtons();
    emit samplesAdded();
    emit jobChanged();
    return true;
}

void JobForm::analyse()
{
    if (job_.analysed)
        return;
    // The analysis and, when it succeeds, the confidence of class; a failure has added its
    // paragraphs to the summary, which is shown either way.
    const bool succeeded = job_.Analyse();
    showSummary();
    updateButtons();
    if (succeeded)
        emit jobAnalysed();
    emit jobChanged();
}

void JobForm::changeDefaults()
{
    DefaultValues values;
    values.alkalinityMgL = job_.samples.defaultAlkalinity;
    values.calciumUeqL = job_.samples.defaultCalcium;
    values.docMgL = job_.samples.defaultDOC;
    DefaultDialog dialog(values, ui_, this);
    dialog.setHelp([this] { emit helpRequested(); });
    if (dialog.exec() != QDialog::Accepted)
        return;
    job_.samples.defaultAlkalinity = dialog.values().alkalinityMgL;
    job_.samples.defaultCalcium = dialog.values().calciumUeqL;
    job_.samples.defaultDOC = dialog.values().docMgL;
}

bool JobForm::save()
{
    bool written = false;
    {
        const JobSubject subject(ui_, job_);
        written = job_.SaveResults();
    }
    emit jobChanged();
    if (written)
        if (auto* desktop = dynamic_cast<QtUserInteraction*>(&ui_))
            emit resultsSaved(desktop->lastResultsFile());
    return written;
}

void JobForm::showUnmatchedTaxa()
{
    UnmatchedTaxaDialog dialog(job_, ui_, this);
    dialog.setHelp([this] { emit helpRequested(); });
    const std::shared_ptr<const taxa::TaxonMap> before = job_.taxonMap.map;
    if (dialog.exec() != QDialog::Accepted || job_.taxonMap.map == before || !job_.analysed)
        return;
    const bool succeeded = job_.Analyse();
    showSummary();
    updateButtons();
    if (succeeded)
        emit jobAnalysed();
    emit jobChanged();
}
