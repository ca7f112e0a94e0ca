#include "ui/unmatched_taxa_dialog.h"

#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

#include "app/job.h"
#include "import/user_interaction.h"
#include "base/ascii_case.h"
#include "metrics/taxon_map_use.h"
#include "ui/dialog_units.h"
#include "ui/help_section.h"

namespace {

enum Column {
    codeColumn,
    nameColumn,
    samplesColumn,
    shareColumn,
    suggestionsColumn,
    choiceColumn,
    otherCodeColumn,
    columnCount
};

constexpr std::size_t kSuggestions = 5;

// One line of the suggestions column: "1. FR001A Fragilaria ... (94: same name apart from ...)".
QString suggestionText(const taxa::Suggestion& s)
{
    QString text = QStringLiteral("%1. %2  %3  (%4: %5)")
                       .arg(s.rank)
                       .arg(QString::fromStdString(s.code), QString::fromStdString(s.name))
                       .arg(s.score)
                       .arg(QString::fromStdString(s.reason));
    if (s.tied)
        text += QStringLiteral(", a tie");
    return text;
}

}  // namespace

UnmatchedTaxaDialog::UnmatchedTaxaDialog(Job& job, UserInteraction& ui, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                          Qt::WindowMaximizeButtonHint),
      job_(job), ui_(ui), unmatched_(FindUnmatchedTaxa(job.samples, kSuggestions))
{
    setWindowTitle(QStringLiteral("Unmatched taxa"));
    SetHelpSection(this, QStringLiteral("Unmatched taxa"));
    const DialogUnits du(font());

    introduction_ = new QLabel(this);
    introduction_->setWordWrap(true);
    introduction_->setText(
        QStringLiteral("%1 taxa of %2 have codes that are not in the master taxon list. For each, accept a "
                       "suggested row, type another code, or leave it unmatched. Nothing changes a result "
                       "until you accept: the choices are then kept in the taxon map below and the job "
                       "uses them.")
            .arg(unmatched_.taxa.size())
            .arg(QString::fromStdString(job_.samples.title)));

    table_ = new QTableWidget(static_cast<int>(unmatched_.taxa.size()), columnCount, this);
    table_->setHorizontalHeaderLabels({QStringLiteral("Code"), QStringLiteral("Name"), QStringLiteral("Samples"),
                                       QStringLiteral("Largest share"), QStringLiteral("Suggestions, best first"),
                                       QStringLiteral("Match with"), QStringLiteral("Other code")});
    table_->verticalHeader()->setVisible(false);
    table_->setSelectionMode(QAbstractItemView::NoSelection);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // A suggestion's reason is read in full: long lines wrap within the column (and the
    // whole text is in the cell's tool tip), and each row is as high as its text.
    table_->setWordWrap(true);
    table_->setTextElideMode(Qt::ElideNone);
    fillTable();
    QHeaderView* header = table_->horizontalHeader();
    table_->resizeColumnsToContents();
    table_->setColumnWidth(nameColumn, std::min(table_->columnWidth(nameColumn), du.x(130)));
    header->setSectionResizeMode(suggestionsColumn, QHeaderView::Stretch);
    table_->setColumnWidth(choiceColumn, du.x(62));
    table_->setColumnWidth(otherCodeColumn, du.x(44));
    table_->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    table_->verticalHeader()->setMinimumSectionSize(du.y(14));

    auto* mapLabel = new QLabel(QStringLiteral("Taxon map:"), this);
    const std::string mapPath = job_.taxonMap.path.empty() ? taxa::TaxonMapBeside(job_.samples.path) : job_.taxonMap.path;
    mapPathBox_ = new QLineEdit(QString::fromStdString(mapPath), this);
    openMapButton_ = new QPushButton(QStringLiteral("Use map..."), this);
    openMapButton_->setAutoDefault(false);
    mapLabel->setBuddy(mapPathBox_);

    acceptButton_ = new QPushButton(QStringLiteral("Accept"), this);
    acceptButton_->setDefault(true);
    auto* cancelButton = new QPushButton(QStringLiteral("Cancel"), this);
    cancelButton->setAutoDefault(false);
    auto* helpButton = new QPushButton(QStringLiteral("Help"), this);
    helpButton->setAutoDefault(false);

    auto* mapRow = new QHBoxLayout;
    mapRow->addWidget(mapLabel);
    mapRow->addWidget(mapPathBox_, 1);
    mapRow->addWidget(openMapButton_);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(acceptButton_);
    buttons->addWidget(cancelButton);
    buttons->addWidget(helpButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(introduction_);
    layout->addWidget(table_, 1);
    layout->addLayout(mapRow);
    layout->addLayout(buttons);
    resize(du.size(600, 230));

    connect(openMapButton_, &QPushButton::clicked, this, &UnmatchedTaxaDialog::openMap);
    connect(acceptButton_, &QPushButton::clicked, this, &UnmatchedTaxaDialog::onAccept);
    connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(helpButton, &QPushButton::clicked, this, [this] {
        if (help_)
            help_();
    });

    if (job_.taxonMap.map)
        showChoicesOfMap(*job_.taxonMap.map);
}

void UnmatchedTaxaDialog::fillTable()
{
    const int samples = job_.samples.counts ? job_.samples.counts->nRows() : 0;
    for (int row = 0; row < table_->rowCount(); ++row) {
        const UnmatchedTaxon& taxon = unmatched_.taxa[static_cast<std::size_t>(row)];
        auto item = [](const QString& text, bool right = false) {
            auto* cell = new QTableWidgetItem(text);
            if (right)
                cell->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            return cell;
        };
        table_->setItem(row, codeColumn, item(QString::fromStdString(taxon.code)));
        table_->setItem(row, nameColumn, item(QString::fromStdString(taxon.name)));
        table_->setItem(row, samplesColumn,
                        item(QStringLiteral("%1 of %2").arg(taxon.samplesPresent).arg(samples), true));
        table_->setItem(row, shareColumn, item(QString::number(taxon.largestShare, 'f', 1) + QStringLiteral(" %"), true));
        table_->item(row, shareColumn)
            ->setToolTip(QStringLiteral("The largest share of one sample's count; %1 % of all counts")
                             .arg(QString::number(taxon.shareOfAll, 'f', 2)));

        QStringList lines;
        for (const taxa::Suggestion& s : taxon.suggestions.best)
            lines << suggestionText(s);
        if (taxon.suggestions.best.empty())
            lines << QStringLiteral("nothing in the list is alike");
        if (taxon.suggestions.tiedLeftOff > 0)
            lines << QStringLiteral("(%1 more rows have the same score as the last one)")
                         .arg(taxon.suggestions.tiedLeftOff);
        table_->setItem(row, suggestionsColumn, item(lines.join(QLatin1Char('\n'))));
        table_->item(row, suggestionsColumn)->setToolTip(lines.join(QLatin1Char('\n')));

        auto* choice = new QComboBox(table_);
        choice->addItem(QStringLiteral("(unmatched)"));
        for (const taxa::Suggestion& s : taxon.suggestions.best)
            choice->addItem(QStringLiteral("%1. %2").arg(s.rank).arg(QString::fromStdString(s.code)));
        table_->setCellWidget(row, choiceColumn, choice);
        auto* code = new QLineEdit(table_);
        code->setPlaceholderText(QStringLiteral("code"));
        table_->setCellWidget(row, otherCodeColumn, code);
    }
}

QComboBox* UnmatchedTaxaDialog::choiceBox(int row) const
{
    return qobject_cast<QComboBox*>(table_->cellWidget(row, choiceColumn));
}

QLineEdit* UnmatchedTaxaDialog::codeBox(int row) const
{
    return qobject_cast<QLineEdit*>(table_->cellWidget(row, otherCodeColumn));
}

void UnmatchedTaxaDialog::showChoicesOfMap(const taxa::TaxonMap& map)
{
    for (int row = 0; row < table_->rowCount(); ++row) {
        const UnmatchedTaxon& taxon = unmatched_.taxa[static_cast<std::size_t>(row)];
        const taxa::MapLine* line = taxa::FindMapLine(map, taxon.code);
        choiceBox(row)->setCurrentIndex(0);
        codeBox(row)->clear();
        if (!line)
            continue;
        int index = -1;
        for (std::size_t k = 0; k < taxon.suggestions.best.size(); ++k)
            if (equalsIgnoringCase(taxon.suggestions.best[k].code, line->mappedCode))
                index = static_cast<int>(k) + 1;
        if (index > 0)
            choiceBox(row)->setCurrentIndex(index);
        else
            codeBox(row)->setText(QString::fromStdString(line->mappedCode));
    }
}

void UnmatchedTaxaDialog::openMap()
{
    const QString path = QFileDialog::getOpenFileName(this, QStringLiteral("Use taxon map"), mapPathBox_->text(),
                                                      QStringLiteral("Taxon map (*.csv);;All Files (*)"));
    if (path.isEmpty())
        return;
    taxa::TaxonMap map;
    std::string error;
    if (!taxa::ReadTaxonMap(path.toStdString(), map, error)) {
        ui_.showMessage("The taxon map cannot be used.", error);
        return;
    }
    mapPathBox_->setText(path);
    showChoicesOfMap(map);
}

void UnmatchedTaxaDialog::onAccept()
{
    // Lines of the map in use for taxa that are not in this window stay as they were.
    taxa::TaxonMap map;
    if (job_.taxonMap.map)
        for (const taxa::MapLine& line : job_.taxonMap.map->lines) {
            bool shown = false;
            for (const UnmatchedTaxon& taxon : unmatched_.taxa)
                shown = shown || equalsIgnoringCase(taxon.code, line.code);
            if (!shown)
                map.lines.push_back(line);
        }

    for (int row = 0; row < table_->rowCount(); ++row) {
        const UnmatchedTaxon& taxon = unmatched_.taxa[static_cast<std::size_t>(row)];
        const std::string typed = codeBox(row)->text().trimmed().toStdString();
        if (!typed.empty()) {
            const taxa::ListRow* found = nullptr;
            for (const taxa::ListRow& listRow : unmatched_.list)
                if (!found && equalsIgnoringCase(listRow.code, typed))
                    found = &listRow;
            if (!found) {
                ui_.showMessage("Code " + typed + " is not in the master taxon list.");
                codeBox(row)->setFocus();
                codeBox(row)->selectAll();
                return;
            }
            map.lines.push_back({taxon.code, found->code, taxon.name, found->name, "code typed by the user", 0});
            continue;
        }
        const int choice = choiceBox(row)->currentIndex();
        if (choice <= 0 || static_cast<std::size_t>(choice) > taxon.suggestions.best.size())
            continue;
        const taxa::Suggestion& s = taxon.suggestions.best[static_cast<std::size_t>(choice - 1)];
        map.lines.push_back({taxon.code, s.code, taxon.name, s.name, s.reason, 0});
    }

    const std::string path = mapPathBox_->text().trimmed().toStdString();
    if (map.lines.empty() && !job_.taxonMap.map) {
        accept();  // nothing chosen, no map in use: nothing to keep
        return;
    }
    if (path.empty()) {
        ui_.showMessage("Name the file of the taxon map.");
        mapPathBox_->setFocus();
        return;
    }
    std::string error;
    if (!taxa::WriteTaxonMap(path, map, error)) {
        ui_.showMessage("The taxon map was not saved.", error);
        return;
    }
    if (!job_.SetTaxonMap(path, error)) {
        ui_.showMessage("The taxon map cannot be used.", error);
        return;
    }
    accept();
}
