#include "ui/splash_window.h"

#include <QCloseEvent>
#include <QPainter>
#include <QSvgRenderer>
#include <QTimer>

#include "torven_version.h"
#include "ui/about_text.h"
#include "ui/ui_resources.h"

namespace {

constexpr int kMargin = 8;               // pixels around the version line
const QColor kVersionColour(0, 0, 125);  // dark blue
constexpr int kVersionPixelSize = 20;

void drawVersion(QPainter& painter, const QRect& area)
{
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(kVersionPixelSize);
    font.setWeight(QFont::Bold);
    painter.setFont(font);
    painter.setPen(kVersionColour);
    painter.setBackgroundMode(Qt::TransparentMode);
    painter.drawText(area.adjusted(kMargin, kMargin, -kMargin, -kMargin), Qt::AlignLeft | Qt::AlignBottom | Qt::TextSingleLine,
                     SplashWindow::versionLine());
}

}  // namespace

QString SplashWindow::versionLine()
{
    return QString::fromStdString(SplashVersionLine(torven::kProductVersion));
}

QPixmap SplashWindow::renderPicture()
{
    LoadUiResources();
    QSvgRenderer renderer(QStringLiteral(":/splash.svg"));
    const QSize size = renderer.isValid() ? renderer.defaultSize() : QSize(480, 300);
    QPixmap pixmap(size);
    pixmap.fill(Qt::white);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    if (renderer.isValid())
        renderer.render(&painter);
    drawVersion(painter, pixmap.rect());
    return pixmap;
}

SplashWindow::SplashWindow(QWidget* owner)
    : QWidget(owner, Qt::SplashScreen | Qt::FramelessWindowHint), owner_(owner),
      picture_(renderPicture())
{
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(picture_.size());
}

SplashWindow* SplashWindow::showSplash(QWidget* owner, int displayMs)
{
    auto* splash = new SplashWindow(owner);
    if (owner) {
        const QRect frame = owner->frameGeometry();
        splash->move(frame.center() - QPoint(splash->width() / 2, splash->height() / 2));
        owner->setEnabled(false);
        // The splash is a child of the owner and would be disabled with it.
        splash->setEnabled(true);
    }
    splash->show();
    splash->repaint();
    QTimer::singleShot(displayMs, splash, &QWidget::close);
    return splash;
}

void SplashWindow::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.drawPixmap(0, 0, picture_);
}

void SplashWindow::closeEvent(QCloseEvent* event)
{
    if (owner_)
        owner_->setEnabled(true);
    event->accept();
}

SplashWindow::~SplashWindow()
{
    // However the splash goes, the main window must not stay disabled.
    if (owner_)
        owner_->setEnabled(true);
}
