// Media from the command line: the installed libraries and imports into a project's magazines.
#include "app/startup.h"
#include "cli/cli.h"
#include "config/settings.h"
#include "core/errors.h"
#include "document/project.h"
#include "media/library.h"
#include "media/magazine.h"

#include <QDir>
#include <QFileInfo>
#include <QTextStream>

#include <cstdio>

namespace kav::cli {

namespace {
void printLine(const QString& text) { std::printf("%s\n", qPrintable(Printable(text))); }

void printResult(const TMediaResult& r, const char* what)
{
    for (const QString& name : r.Added)
        printLine(QStringLiteral("%1 %2").arg(QLatin1String(what), name));
    for (const QString& e : r.Errors)
        PrintError(e);
    if (!r.InvalidFiles.isEmpty())
        PrintError(r.InvalidFiles);
}
} // namespace

int RunLibs(const QStringList& args)
{
    QCommandLineParser p;
    if (int r = ParseArguments(p, *FindCommand(QStringLiteral("libs")), args, 0, 0); r >= 0)
        return r;
    StartEngine(StartOptions{QString(), false});
    TMediaLibraries& libs = Libraries();
    if (!settings().SearchOn())
        printLine(QStringLiteral("The media libraries are switched off (SearchEnabled is empty)."));
    libs.LoadIndexes();
    static const char* kinds[3] = {"media", "preview", "java"};
    for (const QString& name : libs.Names()) {
        printLine(name);
        for (int k = 0; k < 3; ++k) {
            const QString dir = libs.Directory(name, k);
            QStringList counts;
            for (const QString& type : TMediaLibraries::MediaTypes())
                if (type != QLatin1String("cursors"))
                    if (const TRifIndex* index = libs.Index(type, name, k))
                        counts << QStringLiteral("%1 %2").arg(index->Count()).arg(type);
            printLine(QStringLiteral("  %1: %2%3").arg(QLatin1String(kinds[k]),
                                                       dir.isEmpty() ? QStringLiteral("(none)") : QDir::toNativeSeparators(dir),
                                                       counts.isEmpty() ? QString() : QStringLiteral(" (") + counts.join(QStringLiteral(", ")) + QLatin1Char(')')));
        }
    }
    printLine(QStringLiteral("cursors: %1 in %2").arg(libs.CursorIndex().Count()).arg(QDir::toNativeSeparators(settings().DataDir)));
    for (const QString& problem : libs.Problems())
        PrintWarning(problem);
    return libs.Problems().isEmpty() ? Ok : UserFailure;
}

int RunImport(const QStringList& args)
{
    QCommandLineParser p;
    p.addPositionalArgument(QStringLiteral("PROJECT.plt"), QStringLiteral("The project to import into, saved afterwards (a new one when it does not exist)."));
    p.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("Pictures, numbered frame files, WAV sounds, or library references such as deflib/image/shapes/star/o1s1c1."),
                            QStringLiteral("FILE..."));
    const QCommandLineOption kind(QStringLiteral("as"), QStringLiteral("Import every file as 'image', 'anim' or 'sound' (default: by name, as the Add window does)."),
                                  QStringLiteral("KIND"));
    const QCommandLineOption frames(QStringLiteral("frames"), QStringLiteral("Frames of a library animation."), QStringLiteral("N"), QStringLiteral("1"));
    p.addOption(kind);
    p.addOption(frames);
    if (int r = ParseArguments(p, *FindCommand(QStringLiteral("import")), args, 2, 100000); r >= 0)
        return r;
    const QString as = p.value(kind);
    if (!as.isEmpty() && as != QLatin1String("image") && as != QLatin1String("anim") && as != QLatin1String("sound")) {
        PrintError(QStringLiteral("--as takes image, anim or sound, not '%1'").arg(as));
        return BadArguments;
    }
    StartEngine();
    TProject project;
    const QString file = p.positionalArguments().first();
    if (QFileInfo::exists(file))
        project.Open(file);
    else
        project.New();
    project.FileName = QFileInfo(file).absoluteFilePath();

    QStringList files, references;
    for (const QString& f : p.positionalArguments().mid(1))
        (QFileInfo::exists(f) ? files : references) << (QFileInfo::exists(f) ? QFileInfo(f).absoluteFilePath() : f);

    TMagazines& mags = Magazines();
    // No one to ask: renamed files are taken, pictures are reduced, one-frame animations kept.
    const TMediaQuestions ask;
    bool failed = false;
    auto note = [&](const TMediaResult& r, const char* what) {
        printResult(r, what);
        failed |= !r.Errors.isEmpty() || !r.InvalidFiles.isEmpty();
    };
    if (as.isEmpty()) {
        const TMagazines::AddReport r = mags.ImportAny(files, ask);
        note(r.Images, "image");
        note(r.Anims, "animation");
        note(r.Sounds, "sound");
    } else if (as == QLatin1String("image")) {
        note(mags.ImportImages(files, ask), "image");
    } else if (as == QLatin1String("anim")) {
        note(mags.ImportAnimations(files, ask), "animation");
    } else {
        note(mags.ImportSounds(files, ask), "sound");
    }
    // Library references: the type part tells the magazine.
    for (const QString& ref : references) {
        const QString type = QString(ref).replace(QLatin1Char('\\'), QLatin1Char('/')).section(QLatin1Char('/'), 1, 1).toLower();
        // The name: the entry's last two parts (topic and variant), or its only part.
        const QStringList parts = QString(ref).replace(QLatin1Char('\\'), QLatin1Char('/')).section(QLatin1Char('/'), 2).split(QLatin1Char('/'));
        const QString name = parts.size() >= 2 ? parts.at(parts.size() - 2) + QLatin1Char('_') + parts.last() : parts.last();
        TLibItemsCont items;
        TMagazineType mag = TMagazineType::Image;
        if (type == QLatin1String("sound")) {
            mag = TMagazineType::Sound;
            items.Add(std::make_unique<TLibItemSound>(name, ref));
        } else if (type == QLatin1String("anim")) {
            mag = TMagazineType::Anim;
            items.Add(std::make_unique<TLibItemAnim>(name, std::max(1, p.value(frames).toInt()), ref));
        } else if (type == QLatin1String("image") || type == QLatin1String("bkd")) {
            items.Add(std::make_unique<TLibItemImage>(name, ref));
        } else {
            PrintError(QStringLiteral("%1: neither a file nor a library reference").arg(ref));
            failed = true;
            continue;
        }
        note(mags.ImportLibraryItems(mag, items, ask), mag == TMagazineType::Sound ? "sound" : mag == TMagazineType::Anim ? "animation" : "image");
    }
    for (const QString& problem : Libraries().Problems())
        PrintWarning(problem);
    project.Save();
    return failed ? UserFailure : Ok;
}

} // namespace kav::cli
