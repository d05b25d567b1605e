#include "cli/cli.h"

#include "core/errors.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QTextStream>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace kav::cli {

const QList<Command>& Commands()
{
    static const QList<Command> commands = {
        {"info", "PROJECT.plt", "Describe a project: scenes, stage, items, paths and events", RunInfo},
        {"save", "IN.plt OUT.plt", "Open a project and save it again (upgrades old data versions)", RunSave},
        {"render", "PROJECT.plt -o OUT.png", "Render the stage at a frame, as the editor recomputes it", RunRender},
        {"play", "PROJECT.plt --frames N", "Play the whole Kavelin headless, with clicks, a trace and frames", RunPlay},
        {"card", "PROJECT.plt", "Print the card string the browser player reads", RunCard},
        {"export", "[--profile web|ad] PROJECT.plt TARGET", "Export as HTML (the page, the card, the media and the player) or as an ad package (one zip)", RunExport},
        {"estimate", "PROJECT.plt", "Estimated download performance of the project's export", RunEstimate},
        {"stats", "FOLDER --scenes S", "Download performance of an export folder", RunStats},
        {"pack", "DIR OUT.plt", "Pack a working folder into a project file", RunPack},
        {"unpack", "IN.plt DIR", "Unpack a project file into a folder", RunUnpack},
        {"au", "IN.wav OUT.au", "Convert a WAV sound to the Sun audio the browser player plays", RunAu},
        {"libs", "", "List the installed media libraries, their folders and media", RunLibs},
        {"import", "[--as image|anim|sound] PROJECT.plt FILE...", "Import pictures, frame files, sounds or library media into a project's magazines and save it", RunImport},
    };
    return commands;
}

const Command* FindCommand(const QString& name)
{
    for (const Command& c : Commands())
        if (name == QLatin1String(c.name))
            return &c;
    return nullptr;
}

QString Printable(const QString& text, bool keepLineBreaks)
{
    QString out;
    out.reserve(text.size());
    for (QChar c : text) {
        const ushort u = c.unicode();
        const bool lineBreak = u == '\n' || u == '\r';
        if ((u < 0x20 && !(keepLineBreaks && lineBreak)) || (u >= 0x7F && u < 0xA0))
            out += QStringLiteral("\\x%1").arg(u, 2, 16, QLatin1Char('0'));
        else if (u == 0x2028 || u == 0x2029)
            out += QStringLiteral("\\u%1").arg(u, 4, 16, QLatin1Char('0'));
        else
            out += c;
    }
    return out;
}

void PrintError(const QString& message)
{
    QTextStream(stderr) << "kavelins-cli: " << Printable(message, true) << Qt::endl;
}

void PrintWarning(const QString& message)
{
    QTextStream(stderr) << "kavelins-cli: warning: " << Printable(message, true) << Qt::endl;
}

int ParseArguments(QCommandLineParser& parser, const Command& cmd, const QStringList& args,
                   int minPositional, int maxPositional)
{
    parser.setApplicationDescription(QString::fromLatin1(cmd.summary));
    parser.addHelpOption();
    QStringList argv = args;
    argv.prepend(QStringLiteral("kavelins-cli %1").arg(QLatin1String(cmd.name)));
    if (!parser.parse(argv)) {
        PrintError(parser.errorText());
        return BadArguments;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        QTextStream out(stdout);
        out << "Usage: kavelins-cli " << cmd.name << " [options] " << cmd.synopsis << "\n\n"
            << cmd.summary << ".\n\n"
            << parser.helpText().section(QLatin1Char('\n'), 2);
        out.flush();
        return Ok;
    }
    const int n = static_cast<int>(parser.positionalArguments().size());
    if (n < minPositional || n > maxPositional) {
        PrintError(QStringLiteral("usage: kavelins-cli %1 %2 (see --help)").arg(QLatin1String(cmd.name),
                                                                                  QLatin1String(cmd.synopsis)));
        return BadArguments;
    }
    return -1;
}

static void printUsage(QTextStream& out)
{
    out << "Usage: kavelins-cli COMMAND [options] ARGUMENTS\n\n"
           "The Kavelins engine without windows.\n\nCommands:\n";
    for (const Command& c : Commands())
        out << "  " << QString::fromLatin1(c.name).leftJustified(9) << " "
            << QString::fromLatin1(c.synopsis).leftJustified(22) << " " << c.summary << "\n";
    out << "\n'kavelins-cli COMMAND --help' describes a command. Exit status: 0 success, 1 the work "
           "failed (the message names the file and the reason), 2 bad arguments.\n";
}

} // namespace kav::cli

int main(int argc, char** argv)
{
    using namespace kav::cli;
    // The engine draws with Qt's raster engine; it needs no display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        // Qt wants a private runtime folder; give it one quietly instead of a warning per run.
        const QString dir = QDir::tempPath() + QStringLiteral("/kavelins-runtime-%1").arg(getuid());
        QDir().mkpath(dir);
        QFile::setPermissions(dir, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        qputenv("XDG_RUNTIME_DIR", dir.toLocal8Bit());
    }
    QGuiApplication app(argc, argv);
    QGuiApplication::setApplicationName(QStringLiteral("kavelins-cli"));

    QStringList args = QCoreApplication::arguments().mid(1);
    if (args.isEmpty() || args[0] == QLatin1String("--help") || args[0] == QLatin1String("-h") ||
        args[0] == QLatin1String("help")) {
        QTextStream out(args.isEmpty() ? stderr : stdout);
        printUsage(out);
        return args.isEmpty() ? BadArguments : Ok;
    }
    const Command* cmd = FindCommand(args[0]);
    if (!cmd) {
        PrintError(QStringLiteral("unknown command '%1' (see kavelins-cli --help)").arg(args[0]));
        return BadArguments;
    }
    try {
        const int status = cmd->run(args.mid(1));
        // What went to the standard output must have arrived: a full disk or a closed pipe
        // behind it is a failure, not a success.
        if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
            PrintError(QStringLiteral("the output could not be written: %1").arg(QString::fromLocal8Bit(strerror(errno))));
            return UserFailure;
        }
        return status;
    } catch (const kav::UserError& e) {
        PrintError(e.message());
        return UserFailure;
    } catch (const std::bad_alloc&) {
        PrintError(QStringLiteral("not enough memory"));
        return UserFailure;
    }
}
