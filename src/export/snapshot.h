#pragma once
#include <QImage>
#include <QString>

namespace kav {

class TScene;

// The stage of a scene at a frame, as the editor recomputes it with nothing selected: the whole
// stage, composed off screen (not just the part a window happens to show), on a picture filled
// with the document's transparent colour. Anything of the stage that has that colour (a
// background of that colour, for one) is therefore transparent in the snapshot's GIF.
// The scene's items are left at that frame, as after the editor recomputed it.
QImage SnapshotImage(TScene* scene, int frame);

// "Take Snapshot": SnapshotImage written as a GIF whose transparent index is the document's
// transparent colour. Throws UserError naming the file when it cannot be written; the file
// appears only when complete.
void SaveSnapshot(TScene* scene, int frame, const QString& gifPath);

} // namespace kav
