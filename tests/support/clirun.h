#pragma once
// kavelins-cli of the build, run as a script runs it: exit code, standard output and error.
#include <QProcess>
#include <QString>
#include <QStringList>

namespace kavtest {

struct CliRun {
    int code;
    QByteArray out, err;
};

inline CliRun cli(const QStringList& args)
{
    QProcess p;
    p.start(QStringLiteral(KAV_APP_DIR "/kavelins-cli"), args);
    p.waitForFinished(120000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput(), p.readAllStandardError()};
}

inline const QString kSample = QStringLiteral(KAV_APP_DIR "/Samples/showcase.plt");

} // namespace kavtest
