#pragma once

#include <QDialog>

#include <string>
#include <vector>

class QPlainTextEdit;

// "Reference database": the database the program uses, its identity and the problems its
// check found, in a read-only text the user can select and copy (Copy takes it all).
class ReferenceDatabaseDialog : public QDialog {
    Q_OBJECT
public:
    explicit ReferenceDatabaseDialog(QWidget* parent, const std::vector<std::string>& reportLines);

    QString text() const;

private:
    QPlainTextEdit* textBox_;
};
