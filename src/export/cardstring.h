#pragma once
// The card string: the document written through the memory stream in applet mode and
// flattened into one ";"-separated line, which the browser player reads token by token.
#include "document/cardrecords.h"

#include <QString>
#include <QStringList>

namespace kav {

// ---------------------------------------------------------------------------------------------
// Export target.

struct TExportPaths {
    QString Folder;    // ends in '/'
    QString BaseName;  // the page is BaseName + ".html", the card BaseName + ".dsc"
    QString BasePath;  // Folder + BaseName
};

// From the export target P: the folder is P without its extension, the base name that folder's
// name without its own extension ("web/my.ad.html" gives the folder "web/my.ad/" and the base
// name "my"). '/' and '\' both separate folders; a name's leading dot does not start an
// extension.
TExportPaths CalcFileForExport(const QString& targetPath);

// Characters a page name must not hold, so that the page, its folder and its address work on
// every web server and in every browser: blanks and control characters, and
// " # % & ' * + : ; < > = ? [ ] \ ^ ` { | } (and the folder separators, inside a name). Letters
// of any script, digits, '.', '-', '_', '~', '!', '$', ',', '@', '(', ')' are kept.
bool IsIllegalExportCharacter(QChar c);
// The distinct illegal characters of the target's file name, in order of appearance (empty when
// the name is fine). The editor shows them with "Confirm.IllegalCharacters".
QString IllegalExportCharacters(const QString& targetPath);
// The target with each illegal character of its file name replaced by '_'; leading dots become
// '_' too (a page must not be a hidden file) and an empty name becomes "Kavelin".
QString CleanExportTarget(const QString& targetPath);

// ---------------------------------------------------------------------------------------------
// The card string of the open document (Doc().Scenes): the header token base name +
// "/ver970815", the scene count and every scene record. Empties both registration lists first
// and leaves them filled for the export. Throws UserError when a record cannot be written (an
// action or item class the player does not know).
QString BuildCardString(const QString& baseName);
// The tokens before flattening.
QStringList BuildCardTokens(const QString& baseName);

} // namespace kav
