#include "ui/about_dialog.h"

#include <QPlainTextEdit>
#include <QPushButton>

#include "torven_version.h"
#include "ui/about_text.h"
#include "ui/dialog_units.h"

AboutDialog::AboutDialog(QWidget* parent, const std::vector<std::string>& databaseLines)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
{
    setWindowTitle(QStringLiteral("About TORVEN II"));
    const DialogUnits du(font());
    textBox_ = new QPlainTextEdit(this);
    textBox_->setReadOnly(true);
    textBox_->setGeometry(du.rect(7, 6, 261, 181));
    // Shown with plain line feeds: the box would draw each CR of a CR LF as a second break.
    QString text = QString::fromStdString(AboutText(torven::kProductVersion));
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    if (!databaseLines.empty())
        text += QStringLiteral("\n");
    for (const std::string& line : databaseLines)
        text += QStringLiteral("\n") + QString::fromStdString(line);
    textBox_->setPlainText(text);

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setGeometry(du.rect(112, 192, 50, 14));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    setFixedSize(du.size(275, 211));
}

QString AboutDialog::text() const
{
    return textBox_->toPlainText();
}
