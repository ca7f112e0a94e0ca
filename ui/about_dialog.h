#pragma once

#include <QDialog>

#include <string>
#include <vector>

class QPlainTextEdit;

// "About TORVEN II": the version and the program's provenance in a read-only text box.
class AboutDialog : public QDialog {
    Q_OBJECT
public:
    // databaseLines: the reference database's identity, shown below the program's text.
    explicit AboutDialog(QWidget* parent = nullptr, const std::vector<std::string>& databaseLines = {});

    QString text() const;

private:
    QPlainTextEdit* textBox_;
};
