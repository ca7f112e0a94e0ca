#pragma once

#include <QPixmap>
#include <QPointer>
#include <QWidget>

// The start-up picture with the version line, shown centred on the main window for a few
// seconds. The main window is disabled meanwhile and enabled again when the picture goes;
// start-up goes on underneath.
class SplashWindow : public QWidget {
    Q_OBJECT
public:
    static constexpr int kDisplayMilliseconds = 5000;

    // Shows the splash over owner at once; it closes and deletes itself after displayMs.
    ~SplashWindow() override;

    static SplashWindow* showSplash(QWidget* owner, int displayMs = kDisplayMilliseconds);

    // The picture with the version drawn on it, as the window shows it.
    static QPixmap renderPicture();
    static QString versionLine();

protected:
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    explicit SplashWindow(QWidget* owner);

    QPointer<QWidget> owner_;
    QPixmap picture_;
};
