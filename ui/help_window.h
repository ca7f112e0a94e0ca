#pragma once

#include <QList>
#include <QPointer>
#include <QString>
#include <QWidget>

class QListWidget;
class QPdfDocument;
class QPdfView;

// One entry of the manual's contents: a chapter (level 1) or section (level 2) title and
// its page (from 1).
struct HelpContentsEntry {
    int level = 1;
    QString title;
    int page = 0;
};

// The entries of the contents file written beside the help file (TORVENII.toc): one line
// an entry, "level<TAB>page<TAB>title"; a line of another shape is skipped.
QList<HelpContentsEntry> ParseHelpContents(const QString& contentsText);

// The help file in a window of our own, for desktops without a PDF viewer: the manual's
// contents on the left (a click goes to the section's page), the pages one under another
// on the right, scrolled with the wheel or the keys.
class HelpWindow : public QWidget {
    Q_OBJECT
public:
    explicit HelpWindow(QWidget* parent = nullptr);

    // False when the file cannot be read as a PDF document. The contents come from the
    // file of the same name ending in .toc, where there is one.
    bool load(const QString& path);
    int pageCount() const;

    // Shows the window in front of owner, sized to owner's screen. A modal dialog blocks
    // every window but its own, so over a dialog the help becomes the dialog's own window
    // for as long as the dialog is shown, and returns to home when it closes.
    void showOver(QWidget* owner, QWidget* home);

    QListWidget* contents() const { return contents_; }
    QPdfView* view() const { return view_; }
    // The page (from 0) that the view shows at its top.
    int currentPage() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void fillContents(const QString& pdfPath);
    void fitToScreen();

    QPdfDocument* document_;
    QPdfView* view_;
    QListWidget* contents_;
    QPointer<QWidget> owner_;
    QPointer<QWidget> home_;
    bool sized_ = false;
};
