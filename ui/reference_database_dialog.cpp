#include "ui/reference_database_dialog.h"

#include <QApplication>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QTextDocument>
#include <QTextOption>

#include <algorithm>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

ReferenceDatabaseDialog::ReferenceDatabaseDialog(QWidget* parent, const std::vector<std::string>& reportLines)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Reference database"));
    auto* layout = new QVBoxLayout(this);
    auto* intro = new QLabel(
        QStringLiteral("The reference database the program uses for the jobs you open, and what its check found. "
                       "Problems are listed one a line: table, row or key, column, value and what is wrong. "
                       "Choose another database with File > Choose reference database."),
        this);
    intro->setWordWrap(true);
    layout->addWidget(intro);

    textBox_ = new QPlainTextEdit(this);
    textBox_->setReadOnly(true);
    textBox_->setLineWrapMode(QPlainTextEdit::NoWrap);
    textBox_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    QString text;
    for (const std::string& line : reportLines)
        text += QString::fromStdString(line) + QLatin1Char('\n');
    textBox_->setPlainText(text);
    // The problem lines' fields are tab-separated, so that a copy pastes into a spreadsheet's
    // columns; on screen, each tab stops past the widest field before it, so the fields line
    // up as columns too.
    const QFontMetrics metrics(textBox_->font());
    QList<qreal> widths;
    for (const QString& line : text.split(QLatin1Char('\n'))) {
        const QStringList fields = line.split(QLatin1Char('\t'));
        for (int i = 0; i + 1 < fields.size(); ++i) {
            if (widths.size() <= i)
                widths.append(0);
            widths[i] = std::max<qreal>(widths[i], metrics.horizontalAdvance(fields[i]));
        }
    }
    QList<QTextOption::Tab> tabs;
    qreal position = 0;
    for (qreal width : widths) {
        position += width + metrics.horizontalAdvance(QStringLiteral("   "));
        tabs.append(QTextOption::Tab(position, QTextOption::LeftTab));
    }
    QTextOption option = textBox_->document()->defaultTextOption();
    option.setTabs(tabs);
    textBox_->document()->setDefaultTextOption(option);
    layout->addWidget(textBox_, 1);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    QPushButton* copy = buttons->addButton(QStringLiteral("&Copy"), QDialogButtonBox::ActionRole);
    connect(copy, &QPushButton::clicked, this, [this] {
        // The selection when there is one, else everything.
        QString selected = textBox_->textCursor().selectedText();
        QApplication::clipboard()->setText(selected.isEmpty() ? textBox_->toPlainText()
                                                              : selected.replace(QChar::ParagraphSeparator, '\n'));
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    resize(760, 420);
}

QString ReferenceDatabaseDialog::text() const
{
    return textBox_->toPlainText();
}
