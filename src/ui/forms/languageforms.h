#pragma once
#include <QString>

class QWidget;

namespace kav {

// Window and control names are the widgets' objectName(); the window's caption is its
// windowTitle. Controls of nested windows (dialogs parented to this one) belong to those
// windows and are skipped; popup menus belong to the window and are included.

// Gives the window and its controls the texts and fonts of the current language table:
// "Window" is the caption (and optional font of the whole window), "Window.Control" a control's
// caption. Controls without an entry keep the text they were built with.
void ApplyToForm(QWidget* window);

// Learn mode: appends the window's caption and control captions to languageFile as table lines,
// unless the window's caption line is already there. Line breaks in captions are written as
// '\'. Returns false when the file could not be read or written (nothing is changed then).
bool LearnForm(QWidget* window, const QString& languageFile = QStringLiteral("Language.txt"));

// What every window does once it is built: in learn mode (LanguageLearn) it adds its own texts
// to "Language.txt" and keeps them; otherwise it takes the texts of the current table.
void LocaliseForm(QWidget* window);

} // namespace kav
