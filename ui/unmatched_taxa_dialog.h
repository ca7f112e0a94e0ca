#pragma once

#include <QDialog>
#include <functional>

#include "metrics/unmatched_taxa.h"

class Job;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;
class UserInteraction;

// "Unmatched taxa": each taxon of the job whose code is not in the master taxon list, with
// how much of the samples it makes up and the rows suggested for it. For each the user
// picks a suggestion, types another code (checked against the list) or leaves it
// unmatched. Nothing reaches the job until Accept: it writes the taxon map (beside the
// workbook unless another file is named) and gives it to the job; Cancel changes nothing.
class UnmatchedTaxaDialog : public QDialog {
    Q_OBJECT
public:
    UnmatchedTaxaDialog(Job& job, UserInteraction& ui, QWidget* parent = nullptr);

    void setHelp(std::function<void()> help) { help_ = std::move(help); }

    // Rows of the table: one per unmatched taxon, in workbook order.
    QTableWidget* table() const { return table_; }
    // The choice of a row: 0 leaves the taxon unmatched, 1 to 5 its suggestions.
    QComboBox* choiceBox(int row) const;
    // Another code for the row; when filled it wins over the choice.
    QLineEdit* codeBox(int row) const;
    QLineEdit* mapPathBox() const { return mapPathBox_; }
    QPushButton* acceptButton() const { return acceptButton_; }
    QPushButton* openMapButton() const { return openMapButton_; }

    const UnmatchedTaxa& unmatched() const { return unmatched_; }

private:
    void fillTable();
    void showChoicesOfMap(const taxa::TaxonMap& map);
    void openMap();
    void onAccept();

    Job& job_;
    UserInteraction& ui_;
    UnmatchedTaxa unmatched_;
    std::function<void()> help_;
    QLabel* introduction_;
    QTableWidget* table_;
    QLineEdit* mapPathBox_;
    QPushButton* openMapButton_;
    QPushButton* acceptButton_;
};
