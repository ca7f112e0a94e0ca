#pragma once

#include <QFileDialog>
#include <string>

// The save dialog of the results workbook: initial name "Results.xls", the .xls type first
// and the .xlsx type second; picking the other type rewrites the typed name to its base
// name with that type's extension; an existing file is replaced only after the question.
// Qt's own dialog, because the platform dialogs do not let us rewrite the name box.
class ResultsFileDialog : public QFileDialog {
    Q_OBJECT
public:
    // folder, when it is an existing folder, is where the dialog starts.
    explicit ResultsFileDialog(QWidget* parent = nullptr, const QString& folder = QString());

    // The full path after OK. The core chooses the format from its extension.
    std::string chosenPath() const;
    // The text of the file-name box.
    QString typedName() const;
    void setTypedName(const QString& name);

    static const QString kXlsFilter;
    static const QString kXlsxFilter;

private:
    void onFilterSelected(const QString& filter);
};
