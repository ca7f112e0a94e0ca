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

// The help file in a window of our own, for desktops without a PDF viewer and for help at
// a section: the manual's contents on the left (a click goes to the section's page), the
// pages one under another on the right, scrolled with the wheel or the keys, zoomed with
// Ctrl and the wheel or Ctrl++, Ctrl+- and Ctrl+0; Escape and Ctrl+W close it. It opens
// again where it was last closed, within the screen.
class HelpWindow : public QWidget {
    Q_OBJECT
public:
    explicit HelpWindow(QWidget* parent = nullptr);

    // False when the file cannot be read as a PDF document. The contents come from the
    // file of the same name ending in .toc, where there is one.
    bool load(const QString& path);
    bool isLoaded(const QString& path) const { return !loadedPath_.isEmpty() && loadedPath_ == path; }
    int pageCount() const;

    // Goes to the page of the contents entry titled section (its number left out, "The
    // job form" for "4.3 The job form"); false when the contents have no such entry.
    bool showSection(const QString& section);

    // The zoom of the pages: 1 is their width in the view.
    double zoom() const;
    void zoomBy(double factor);
    void resetZoom();

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
    void hideEvent(QHideEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void fillContents(const QString& pdfPath);
    void fitToScreen();

    QPdfDocument* document_;
    QPdfView* view_;
    QListWidget* contents_;
    QPointer<QWidget> owner_;
    QPointer<QWidget> home_;
    QString loadedPath_;
    bool sized_ = false;
};
