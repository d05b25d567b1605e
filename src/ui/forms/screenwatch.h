#pragma once

class QWidget;

namespace kav {

// After a change of the screen's resolution the program asks to be started again: it shows
// "Warning.ChangeResolution" and closes the main window the normal way, so unsaved changes are
// offered for saving first (and the user may still keep working when the close is refused).
void WatchScreenResolution(QWidget* mainWindow);
// What happens on a change (the screens call it; tests call it directly).
void ScreenResolutionChanged(QWidget* mainWindow);

} // namespace kav
