#pragma once
#include <QHash>
#include <QImage>
#include <QTimer>
#include <QWidget>

namespace kav {

class TBmpButton;
class TEditSession;
class TItemBase;

// A picture of the lower tool panel ("LowerToolPanel\\" + name), decoded once per screen scale.
const QImage& LowerPanelPicture(const QString& name, qreal dpr);

// The cast list: a row of thumbnail slots for the current scene, the background first. Slot tags
// run on from FirstTag(): tag 0 is the background, tag k the scene's item k - 1. The two buttons
// page through the scene and keep paging, ever faster, while held.
//
// A click selects what the slot shows (nothing while a path is being drawn) and is reported with
// CastItemClicked; a double click and a right-button press are only reported (the right press
// selects first), so the main window opens its change dialog or popup menu.
class TCastList : public QWidget {
    Q_OBJECT
public:
    static constexpr int kSlotWidth = 80, kSlotHeight = 76, kSlotTop = 14;
    static constexpr int kRowHeight = 100;

    explicit TCastList(TEditSession& session, QWidget* parent = nullptr);
    ~TCastList() override;

    int FirstTag() const { return m_first; }
    void SetFirstTag(int tag);
    int SlotCount() const { return m_slotCount; }
    QRect SlotRect(int slot) const;
    // The tag of the slot under a point, -1 for none.
    int TagAt(QPoint at) const;

    // Pages so that the selection shows (after every selection change).
    void ScrollCast();
    // Repaints the slots and brings the buttons and the item count up to date (after every change).
    void RedrawCastList();
    void ScrollLeftPage();
    void ScrollRightPage();
    // The text of the item-count panel: "12 items in scene ".
    QString ItemCountText() const;

    TBmpButton* LeftButton() const { return m_left; }
    TBmpButton* RightButton() const { return m_right; }
    // The interval of the held button's next repeat; 0 when no button is held.
    int RepeatInterval() const { return m_repeat.isActive() ? m_repeat.interval() : 0; }

    // Forgets the kept thumbnails (they are made again as slots show them).
    void DropThumbnails() { m_thumbs.clear(); }
    // The picture of one item as its slot shows it, fitted into 76 x 56.
    static QImage Thumbnail(const TItemBase* item);

signals:
    void CastItemClicked(int tag);
    void CastItemDoubleClicked(int tag);
    void CastItemRightClicked(int tag, QPoint globalPos);
    void ItemCountChanged(const QString& text);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void InitCastList();
    void UpdateCastBtns();
    int ItemCount() const;
    void ClickTag(int tag);
    void StartRepeat(int direction);
    void StopRepeat();
    void RepeatStep();
    const QImage& CachedThumbnail(const TItemBase* item);
    QImage BackgroundThumbnail() const;
    void PaintSlot(QPainter& p, int slot);

    TEditSession& m_session;
    TBmpButton* m_left = nullptr;
    TBmpButton* m_right = nullptr;
    int m_first = 0;
    int m_slotCount = 0;
    int m_pressedTag = -1;
    int m_direction = 0;
    QTimer m_repeat;
    QString m_countText;

    struct Thumb {
        QString signature;
        QImage image;
    };
    QHash<const TItemBase*, Thumb> m_thumbs;
};

} // namespace kav
