#pragma once
#include <QList>
#include <QString>
#include <QStringList>

namespace kav {

// Small text files of the data folder read at start-up. Lines end in CR LF or LF; blank lines
// are skipped. Errors are UserError (ReadError with the line number for a malformed line).

// "colors.txt": lines "red;green;blue" in decimal, each turned into "$BBGGRR".
QStringList LoadColors(const QString& path);

// "CostumColors.txt": lines "ColorA=FFFFFF" .. "ColorP=FFFFFF"; all white when the file is missing.
QStringList LoadCustomColors(const QString& path);
void SaveCustomColors(const QString& path, const QStringList& lines);

// "StageSize.txt": the offered stage sizes; empty when the file is missing.
QStringList LoadStageSizes(const QString& path);

// "fonts.txt": up to three ':'-separated names a line; "Times New Roman:Times" when missing.
QStringList LoadFontList(const QString& path);

// What start-up reads from the data folder for the windows: the colour palette ("$BBGGRR"), the
// custom colours of the colour dialog and the offered stage sizes ("name;width;height").
struct TAppData {
    QStringList Colors;
    QStringList CustomColors;
    QStringList StageSizes;
};
TAppData& AppData();
// The custom colours change with the user's choices, so they live beside the user preferences
// ("CostumColors.txt"), not in the installation.
QString CustomColorsFile();
// Reads the three from dataDir and the user's folder; a file that is missing gives the defaults
// (no colours, sixteen white custom colours, no stage sizes); a malformed one throws ReadError.
void LoadAppData(const QString& dataDir);

// "cursor.txt": file name, TAB, number a line.
struct CursorEntry {
    QString name; // "deflib/cursors/" + file name
    int number = 0;
};
QList<CursorEntry> LoadCursorTable(const QString& path);

} // namespace kav
