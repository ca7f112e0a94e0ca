// torven: the desktop program.
#include <QApplication>

#include "ui/startup.h"

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    std::unique_ptr<DesktopProgram> program = StartDesktopProgram();
    return application.exec();
}
