#include <QApplication>
#include <QDir>
#include <QFile>

#include "launcher/manager_dialog.h"
#include "launcher/process_starter.h"

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Zamo Manager"));
    zamo::DetachedProcessStarter starter;
    zamo::ManagerDialog dialog(starter, QFile::encodeName(QDir::currentPath()).toStdString());
    dialog.exec();
    return 0;
}
