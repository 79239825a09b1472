#include "launcher/process_starter.h"

#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>

namespace zamo {

bool DetachedProcessStarter::start(const StartRequest& request) {
    QStringList arguments;
    arguments.reserve(static_cast<qsizetype>(request.arguments.size()));
    for (const std::string& argument : request.arguments) {
        arguments.append(QString::fromLocal8Bit(argument));
    }
    return QProcess::startDetached(QFile::decodeName(request.program.c_str()), arguments,
                                   QFile::decodeName(request.workingDirectory.c_str()));
}

}  // namespace zamo
