#include "ui/results_file_dialog.h"

#include <QLineEdit>

#include "ui/help_section.h"
#include "ui/results_file_name.h"

const QString ResultsFileDialog::kXlsFilter = QStringLiteral("Excel 97-2003 (*.xls)");
const QString ResultsFileDialog::kXlsxFilter = QStringLiteral("Excel 2007 (*.xlsx)");

ResultsFileDialog::ResultsFileDialog(QWidget* parent, const QString& folder) : QFileDialog(parent)
{
    if (!folder.isEmpty() && QFileInfo(folder).isDir())
        setDirectory(folder);
    setOption(QFileDialog::DontUseNativeDialog, true);
    SetHelpSection(this, QStringLiteral("Saving the results"));
    setAcceptMode(QFileDialog::AcceptSave);
    setFileMode(QFileDialog::AnyFile);
    setNameFilters({kXlsFilter, kXlsxFilter});
    selectNameFilter(kXlsFilter);
    // A name typed without an extension gets the selected type's.
    setDefaultSuffix(QStringLiteral("xls"));
    selectFile(QStringLiteral("Results.xls"));
    connect(this, &QFileDialog::filterSelected, this, &ResultsFileDialog::onFilterSelected);
}

QString ResultsFileDialog::typedName() const
{
    // The name box of Qt's own dialog; it has carried this object name for many releases.
    if (auto* edit = findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
        return edit->text();
    return QFileInfo(selectedFiles().value(0)).fileName();
}

void ResultsFileDialog::setTypedName(const QString& name)
{
    if (auto* edit = findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
        edit->setText(name);
    else
        selectFile(name);
}

void ResultsFileDialog::onFilterSelected(const QString& filter)
{
    const bool xlsx = filter == kXlsxFilter;
    setDefaultSuffix(xlsx ? QStringLiteral("xlsx") : QStringLiteral("xls"));
    setTypedName(QString::fromStdString(ResultsFileNameForType(typedName().toStdString(), xlsx)));
}

std::string ResultsFileDialog::chosenPath() const
{
    const QStringList files = selectedFiles();
    return files.isEmpty() ? std::string() : files.first().toStdString();
}
