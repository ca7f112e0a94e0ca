#pragma once

#include <QWidget>

class QPdfDocument;
class QPdfView;

// The help file in a window of our own, for desktops without a PDF viewer: the pages one
// under another, scrolled with the wheel or the keys.
class HelpWindow : public QWidget {
    Q_OBJECT
public:
    explicit HelpWindow(QWidget* parent = nullptr);

    // False when the file cannot be read as a PDF document.
    bool load(const QString& path);
    int pageCount() const;

private:
    QPdfDocument* document_;
    QPdfView* view_;
};
