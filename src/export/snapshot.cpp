#include "export/snapshot.h"

#include "core/colors.h"
#include "document/document.h"
#include "editor/playback.h"
#include "editor/stagerenderer.h"
#include "platform/gifwriter.h"

namespace kav {

namespace {
// A playback engine installs itself as the process's playback sink and clears it when it goes;
// the editor's own engine must get it back after a snapshot, and the scene being worked on too.
class KeepEditorState {
public:
    KeepEditorState() : m_sink(&PlaybackSink()), m_logicalScene(Doc().LogicalScene) {}
    ~KeepEditorState()
    {
        SetPlaybackSink(m_sink);
        Doc().LogicalScene = m_logicalScene;
    }

private:
    TPlaybackSink* m_sink;
    TScene* m_logicalScene;
};
} // namespace

QImage SnapshotImage(TScene* scene, int frame)
{
    const TDocument& doc = Doc();
    QImage image(doc.StageWidth, doc.StageHeight, QImage::Format_ARGB32_Premultiplied);
    image.fill(ToQColor(doc.TransparentColor));
    if (scene) {
        KeepEditorState keep;
        TPlayback playback;
        playback.SetScene(scene);
        playback.SetCurTimeLine(frame);
        playback.RecomputeFrame();
        // Compose keeps a target of the stage's size and format, so the stage lands on the colour.
        TStageRenderer renderer;
        renderer.Compose(image, scene, doc.StageWidth, doc.StageHeight, TStageView{});
    }
    return image.convertToFormat(QImage::Format_RGB32);
}

void SaveSnapshot(TScene* scene, int frame, const QString& gifPath)
{
    WriteGif(SnapshotImage(scene, frame), gifPath, Doc().TransparentColor);
}

} // namespace kav
