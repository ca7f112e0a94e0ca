#pragma once

#include <QString>
#include <QWidget>

#include "ui/chart/site_history_chart.h"
#include "ui/commands/view_commands.h"

class QLabel;
class QLineEdit;
class QMenu;
class QPrinter;
class QScrollArea;

namespace chart {

// The site history of one index as a results-window tab: every site's panel in one
// picture that scrolls down, scaled to the tab's width, and above it a box to find a site
// by its code (Enter or each letter typed scrolls to the first site it names and frames
// its panel). A tooltip over a panel lists the site's samples. Print and Print Preview
// print the history twenty sites to a page, as --chart writes it, and the context menu
// saves it as a PDF of those pages; Copy and the PNG picture take the whole history when it
// fits one page, else the page of twenty that holds the top of the view (a picture of
// hundreds of panels would be hundreds of megabytes and read no better).
class SiteHistoryView : public QWidget, public ViewCommands {
    Q_OBJECT

public:
    explicit SiteHistoryView(SiteHistoryData data, QWidget* parent = nullptr);

    const SiteHistoryChart& chart() const { return chart_; }
    // The tab's caption, "History TDI3".
    QString caption() const;

    // The printer that Print and Print Preview use (the session's) and the preview's caption.
    void setPrinter(QPrinter* printer) { printer_ = printer; }
    void setPrintCaption(const QString& caption) { printCaption_ = caption; }

    QLineEdit* findBox() const { return findBox_; }
    QScrollArea* scrollArea() const { return scroll_; }
    // The site (an index into the data's sites) last found; -1 when none.
    int foundSite() const { return found_; }
    // Scrolls to the first site whose code is code (or begins with it) and frames it;
    // false, with a note beside the box, when no site is named so.
    bool findSite(const QString& code);
    // The scale the picture is shown at, 1 at its natural size.
    double scale() const;
    static constexpr double kSmallestScale = 0.75;
    static constexpr double kLargestScale = 2.0;

    QMenu* createContextMenu(QWidget* parent);

    // The page of the history that Copy and Save as PNG take: the only one, or the page of
    // twenty sites that holds the site at the top of the view.
    HistoryPage pageInView() const;
    int pageIndexInView() const;

    void copy() override;
    void print() override;
    void printPreview() override;

public slots:
    void saveAsPng();
    void saveAsPdf();

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void reportSaveFailure(const QString& reason);

    SiteHistoryChart chart_;
    QLineEdit* findBox_ = nullptr;
    QLabel* findNote_ = nullptr;
    QScrollArea* scroll_ = nullptr;
    int found_ = -1;
    QPrinter* printer_ = nullptr;
    QString printCaption_;
};

}  // namespace chart
