#include "ui/view_frame.h"

#include <QIcon>

ViewFrame::ViewFrame(JobFrame* jobFrame, QWidget* parent) : QMdiSubWindow(parent), jobFrame_(jobFrame)
{
    setWindowIcon(QIcon(QStringLiteral(":/icons/torven.svg")));
    setAttribute(Qt::WA_DeleteOnClose);
}
