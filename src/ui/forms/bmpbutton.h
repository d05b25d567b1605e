#pragma once
#include <QColor>
#include <QImage>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace kav {

// A button drawn from interface pictures: off, roll-over (mouse over it), pressed and dimmed
// (disabled). Pictures are shared through ButtonCache(). Without an off picture it paints a
// plain rectangle: red pressed, blue under the mouse, green otherwise.
//
// Mouse, left button only, nothing while dimmed: a press sets Pressed (toggles it with
// ClickBackUp) and a release inside clicks. With StayDown a pressed button stays pressed after
// the release. Leaving the button ends a pressed state (unless StayDown), fires OnLeave and
// with HideOnLeave hides the button. Every move fires OnHint, a dimmed button's too.
class TBmpButton : public QWidget {
    Q_OBJECT
    // The language tables set captions through "text" (see languageforms.h).
    Q_PROPERTY(QString text READ Caption WRITE SetCaption)
public:
    explicit TBmpButton(QWidget* parent = nullptr);
    ~TBmpButton() override;

    enum class State { Off, Roll, Pressed, Dimmed };

    QString Caption() const { return m_caption; }
    void SetCaption(const QString& caption);
    bool DrawCaption() const { return m_drawCaption; }
    void SetDrawCaption(bool on);
    int TextDX = 0, TextDY = 0;
    int TextPressedDX = 0, TextPressedDY = 0;
    // Caption colours by state (designed colour values: red in the low byte).
    uint32_t Color = 0x020C9CFF;
    uint32_t ColorDimmed = 0x02882744;
    uint32_t ColorRoll = 0x02000078;
    uint32_t ColorPressed = 0x02000078;

    // Interface picture names; setting one reloads the pictures once BmpsOff is set.
    QString BmpsOff() const { return m_bmps[0]; }
    QString BmpsOn() const { return m_bmps[1]; }
    QString BmpsPressed() const { return m_bmps[2]; }
    QString BmpsDimmed() const { return m_bmps[3]; }
    void SetBmpsOff(const QString& name);
    void SetBmpsOn(const QString& name);
    void SetBmpsPressed(const QString& name);
    void SetBmpsDimmed(const QString& name);
    // All four at once, loading the pictures once.
    void SetBmps(const QString& off, const QString& on, const QString& pressed, const QString& dimmed = {});

    bool Dimmed() const { return m_dimmed; }
    void SetDimmed(bool dimmed);
    bool Pressed() const { return m_pressed; }
    void SetPressed(bool pressed);
    bool HideOnLeave = false;
    bool StayDown() const { return m_stayDown; }
    void SetStayDown(bool stayDown);
    bool ClickBackUp = false;
    // Roll-over rectangle in button coordinates; RollRight 0: the whole button.
    int RollLeft = 0, RollTop = 0, RollRight = 0, RollBottom = 0;

    int HelpContext() const;
    void SetHelpContext(int number);

    // Replaces the button's own painting when set.
    std::function<void(QPainter&)> OnPaint;

    // What the button shows now, and the picture of each state (for windows and tests).
    State CurrentState() const;
    bool MouseInside() const { return m_inside; }
    QImage StatePicture(State state) const;

signals:
    void OnClick();
    void OnDblClick();
    void OnMouseDown(QMouseEvent* event);
    void OnMouseMove(QMouseEvent* event);
    void OnMouseUp(QMouseEvent* event);
    void OnKeyPress(QKeyEvent* event);
    void OnEnter();
    void OnLeave();
    void OnHint();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void LoadPictures();
    void ReleasePictures();
    // Brings the inside flags up to date; true when the look changed.
    bool Track(QPointF at);
    // The mouse has gone: the design's loss of the mouse capture.
    void LeaveButton();

    QString m_caption;
    bool m_drawCaption = false;
    QString m_bmps[4];
    bool m_dimmed = false;
    bool m_pressed = false;
    bool m_stayDown = false;

    struct Picture {
        std::shared_ptr<const QByteArray> bytes;
        QImage image;
    };
    std::vector<Picture> m_pictures;
    int m_index[4] = {0, 0, 0, 0};   // picture of Off, Roll, Pressed, Dimmed
    qreal m_loadedDpr = 0;

    bool m_inside = false;       // mouse inside the button
    bool m_rollInside = false;   // mouse inside the roll-over rectangle
    bool m_entered = false;      // OnEnter fired and no leave since
    bool m_mouseDown = false;    // the left button went down on us
};

// A captioned button of the media windows: the pictures `face`, `face`R, C and D, with the
// caption in bold 11 pixels, brown-grey turning orange under the pointer, or white on an accent
// face.
void StyleCaptionButton(TBmpButton* button, const QString& face, const QString& caption, bool accent = false);

} // namespace kav
