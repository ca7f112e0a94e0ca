#pragma once

#include <QDialog>
#include <functional>

#include "import/default_values.h"

class QLineEdit;
class QPushButton;
class UserInteraction;

// "Default values": the alkalinity, calcium and DOC that an analysis puts in place of
// missing values. OK checks the three boxes in order; the first that fails is named in a
// message and gets the focus, and nothing is taken until all three pass.
class DefaultDialog : public QDialog {
    Q_OBJECT
public:
    DefaultDialog(const DefaultValues& values, UserInteraction& ui, QWidget* parent = nullptr);

    void setHelp(std::function<void()> help) { help_ = std::move(help); }
    // The checked values after OK; the ones given before otherwise.
    const DefaultValues& values() const { return values_; }

    QLineEdit* box(DefaultValueBox which) const;
    QPushButton* okButton() const { return okButton_; }

    static const char* const kIntroduction;

private:
    void onOk();

    DefaultValues values_;
    UserInteraction& ui_;
    std::function<void()> help_;
    QLineEdit* alkalinityBox_;
    QLineEdit* calciumBox_;
    QLineEdit* docBox_;
    QPushButton* okButton_;
};
