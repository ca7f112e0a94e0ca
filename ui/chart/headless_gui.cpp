#include "ui/chart/headless_gui.h"

#include <QGuiApplication>

#include <cstdio>
#include <QtGlobal>

namespace chart {

namespace {

// Standard error carries the program's own messages only; a fatal error (which ends the
// program) still says why.
void dropQtMessage(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type == QtFatalMsg)
        std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
}

int argumentCount = 1;
char programName[] = "torven-cli";
char* arguments[] = {programName, nullptr};

}  // namespace

HeadlessGui::HeadlessGui()
{
    if (QGuiApplication::instance())
        return;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(dropQtMessage);
    app_ = std::make_unique<QGuiApplication>(argumentCount, arguments);
}

HeadlessGui::~HeadlessGui()
{
    if (!app_)
        return;
    app_.reset();
    qInstallMessageHandler(nullptr);
}

}  // namespace chart
