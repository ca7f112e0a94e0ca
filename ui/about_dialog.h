#pragma once

#include <QDialog>

class QPlainTextEdit;

// "About TORVEN II": the version and the program's provenance in a read-only text box.
class AboutDialog : public QDialog {
    Q_OBJECT
public:
    explicit AboutDialog(QWidget* parent = nullptr);

    QString text() const;

private:
    QPlainTextEdit* textBox_;
};
