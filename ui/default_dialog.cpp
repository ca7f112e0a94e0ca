#include "ui/default_dialog.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "import/user_interaction.h"
#include "ui/dialog_units.h"
#include "ui/help_section.h"

const char* const DefaultDialog::kIntroduction =
    "Default values: these will be used to replace any missing values in the calculation of expected TDI or DAM.";

DefaultDialog::DefaultDialog(const DefaultValues& values, UserInteraction& ui, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      values_(values), ui_(ui)
{
    setWindowTitle(QStringLiteral("Default values"));
    SetHelpSection(this, QStringLiteral("Changing the defaults"));
    const DialogUnits du(font());

    auto* introduction = new QLabel(QString::fromLatin1(kIntroduction), this);
    introduction->setWordWrap(true);
    introduction->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    introduction->setGeometry(du.rect(7, 6, 186, 26));

    auto* group = new QGroupBox(this);
    group->setGeometry(du.rect(7, 34, 130, 59));
    auto makeRow = [&](const char* label, int top, double value) {
        auto* text = new QLabel(QString::fromLatin1(label), this);
        text->setGeometry(du.rect(13, top + 2, 66, 8));
        auto* edit = new QLineEdit(QString::fromStdString(DefaultValueText(value)), this);
        edit->setGeometry(du.rect(82, top, 48, 13));
        text->setBuddy(edit);
        return edit;
    };
    alkalinityBox_ = makeRow("Alkalinity (mg/l)", 42, values_.alkalinityMgL);
    calciumBox_ = makeRow("Calcium (ueq/l)", 58, values_.calciumUeqL);
    docBox_ = makeRow("DOC (mg/l)", 74, values_.docMgL);

    okButton_ = new QPushButton(QStringLiteral("OK"), this);
    okButton_->setGeometry(du.rect(143, 38, 50, 14));
    okButton_->setDefault(true);
    auto* cancelButton = new QPushButton(QStringLiteral("Cancel"), this);
    cancelButton->setGeometry(du.rect(143, 56, 50, 14));
    cancelButton->setAutoDefault(false);
    auto* helpButton = new QPushButton(QStringLiteral("Help"), this);
    helpButton->setGeometry(du.rect(143, 79, 50, 14));
    helpButton->setAutoDefault(false);
    setFixedSize(du.size(200, 100));

    connect(okButton_, &QPushButton::clicked, this, &DefaultDialog::onOk);
    connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(helpButton, &QPushButton::clicked, this, [this] {
        if (help_)
            help_();
    });
}

QLineEdit* DefaultDialog::box(DefaultValueBox which) const
{
    switch (which) {
    case DefaultValueBox::calcium: return calciumBox_;
    case DefaultValueBox::doc: return docBox_;
    default: return alkalinityBox_;
    }
}

void DefaultDialog::onOk()
{
    DefaultValueTexts texts;
    texts.alkalinity = alkalinityBox_->text().toStdString();
    texts.calcium = calciumBox_->text().toStdString();
    texts.doc = docBox_->text().toStdString();
    DefaultValues checked = values_;
    if (std::optional<DefaultValueRefusal> refusal = CheckDefaultValues(texts, checked)) {
        ui_.showMessage(refusal->message);
        QLineEdit* offending = box(refusal->box);
        offending->setFocus();
        offending->selectAll();
        return;
    }
    values_ = checked;
    accept();
}
