#include "cli/cli.h"

#include "media/audio.h"


namespace kav::cli {

int RunAu(const QStringList& args)
{
    QCommandLineParser p;
    p.addPositionalArgument(QStringLiteral("IN.wav"), QStringLiteral("The WAV sound to read (PCM, 8 or 16 bit, mono or stereo)."));
    p.addPositionalArgument(QStringLiteral("OUT.au"), QStringLiteral("The Sun audio file to write (8-bit mu-law, 8012 Hz, mono)."));
    if (int r = ParseArguments(p, *FindCommand(QStringLiteral("au")), args, 2, 2); r >= 0)
        return r;
    const QStringList pos = p.positionalArguments();
    // Any name is accepted here, not only one ending in ".wav" as the export's sounds do.
    TWaveTool::ConvertToSunAudio(pos[0], pos[1]);
    return Ok;
}

} // namespace kav::cli
