#pragma once
#include "editor/stageediting.h"

class QMenu;
class QWidget;

namespace kav {

// The stage's popup menu for a request of the stage editor: entries, submenus, check marks and
// enabling as the editor prepared them; choosing an entry runs it through the editor. The menu
// belongs to `parent` and deletes itself when it closes.
QMenu* BuildStagePopup(const TPopupRequest& request, TStageEditor& editor, QWidget* parent);
// Builds the menu and opens it beside the stage point of the request.
QMenu* ShowStagePopup(const TPopupRequest& request, TStageEditor& editor, QWidget* stage);

} // namespace kav
