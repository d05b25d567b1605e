#pragma once
#include <QCommandLineParser>
#include <QString>
#include <QStringList>

namespace kav::cli {

// Exit statuses the scripts that call us rely on.
enum Exit { Ok = 0, UserFailure = 1, BadArguments = 2 };

struct Command {
    const char* name;
    const char* synopsis;   // arguments after the command name
    const char* summary;
    int (*run)(const QStringList& args);
};

// Parses a command's arguments. Prints help and returns Ok for --help; prints the problem and
// returns BadArguments when the arguments are wrong; returns -1 when the command should go on.
int ParseArguments(QCommandLineParser& parser, const Command& cmd, const QStringList& args,
                   int minPositional, int maxPositional);

// Text from a file as a terminal may show it: control characters (an escape sequence, a NUL)
// become \xNN; line breaks stay when asked.
QString Printable(const QString& text, bool keepLineBreaks = false);
// Both print Printable(message).
void PrintError(const QString& message);
void PrintWarning(const QString& message);

const Command* FindCommand(const QString& name);
const QList<Command>& Commands();

int RunPack(const QStringList& args);
int RunUnpack(const QStringList& args);
int RunInfo(const QStringList& args);
int RunSave(const QStringList& args);
int RunRender(const QStringList& args);
int RunPlay(const QStringList& args);
int RunCard(const QStringList& args);
int RunExport(const QStringList& args);
int RunEstimate(const QStringList& args);
int RunStats(const QStringList& args);
int RunAu(const QStringList& args);
int RunLibs(const QStringList& args);
int RunImport(const QStringList& args);

} // namespace kav::cli
