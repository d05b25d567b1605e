#include "cli/cli.h"

#include "core/projectcontainer.h"

#include <QDir>
#include <QFileInfo>

namespace kav::cli {

int RunPack(const QStringList& args)
{
    QCommandLineParser p;
    p.addPositionalArgument(QStringLiteral("DIR"), QStringLiteral("The working folder to pack."));
    p.addPositionalArgument(QStringLiteral("OUT.plt"), QStringLiteral("The project file to write."));
    if (int r = ParseArguments(p, *FindCommand(QStringLiteral("pack")), args, 2, 2); r >= 0)
        return r;
    const QStringList pos = p.positionalArguments();
    if (!QFileInfo(pos[0]).isDir()) {
        PrintError(QStringLiteral("%1: no such folder").arg(pos[0]));
        return UserFailure;
    }
    ProjectContainer::Pack(pos[0], pos[1], PrintWarning);
    return Ok;
}

int RunUnpack(const QStringList& args)
{
    QCommandLineParser p;
    p.addPositionalArgument(QStringLiteral("IN.plt"), QStringLiteral("The project file to read."));
    p.addPositionalArgument(QStringLiteral("DIR"), QStringLiteral("The folder to unpack into (created when missing)."));
    if (int r = ParseArguments(p, *FindCommand(QStringLiteral("unpack")), args, 2, 2); r >= 0)
        return r;
    const QStringList pos = p.positionalArguments();
    ProjectContainer::Unpack(pos[0], pos[1]);
    return Ok;
}

} // namespace kav::cli
