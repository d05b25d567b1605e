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

// "cursor.txt": file name, TAB, number a line.
struct CursorEntry {
    QString name; // "deflib/cursors/" + file name
    int number = 0;
};
QList<CursorEntry> LoadCursorTable(const QString& path);

} // namespace kav
