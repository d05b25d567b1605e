#pragma once
#include <QImage>
#include <QPoint>
#include <QRect>

namespace kav {

class TItemBase;
class TMaskedBitmap;
class TScene;

// What the stage shows besides the scene itself.
struct TStageView {
    bool playing = false;
    TItemBase* selected = nullptr;   // its overlay is drawn while editing
    bool showEventMarkers = true;    // "View Timed Events on Path"
    bool backgroundChosen = false;   // the last press hit the background: frame the stage
    TMaskedBitmap* hoverCursor = nullptr;
    QPoint mouse;
    TItemBase* without = nullptr;    // composed without this item (drag and path editing)
    int hotBox = -1;                 // the event-bar box under the pointer (6, 7, 8)
    bool overlay = true;             // the selected item's overlay (off while a path is drawn)
};

// Paints a scene at its current frame: background (cached), items by the item rule, the
// selected item's overlay, the border, the hover cursor. One off-screen image per frame.
class TStageRenderer {
public:
    // Composes into `target` (resized to the stage when needed).
    void Compose(QImage& target, TScene* scene, int stageWidth, int stageHeight, const TStageView& view);
    // Drops the cached background (the scene or its stage settings changed).
    void InvalidateBackground() { m_backgroundKey = {}; }

    // Whether an item is drawn, and greyed, under the rule of the mode.
    static bool ItemDrawn(const TItemBase* item, const TStageView& view, bool* greyed);
    static QRect InnerStage(const TScene* scene, int stageWidth, int stageHeight);
    static void DrawOverlay(class QPainter& p, TItemBase* item, uint32_t stageColor, bool showMarkers, int hotBox = -1);
    // The event bar's three boxes beside the selected item, hotBox highlighted.
    static void DrawEventBar(class QPainter& p, const QRect& bar, int hotBox);

private:
    struct BackgroundKey {
        const TScene* scene = nullptr;
        uint32_t color = 0;
        const void* bitmap = nullptr;
        int tile = 0, width = 0, height = 0;
        bool operator==(const BackgroundKey&) const = default;
    };
    QImage m_background;
    BackgroundKey m_backgroundKey;
};

} // namespace kav
