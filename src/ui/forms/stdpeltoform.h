#pragma once
#include <QDialog>
#include <QPixmap>
#include <QPoint>

#include <cstdint>

class QLabel;

namespace kav {

class TBmpButton;
class TClearPanel;

// The base of every dialog: a painted background (the "BackColor" picture over the window), a
// white title tab with the title label, a curve at the bottom right holding Cancel and Ok on a
// band, and the info bar that describes the control under the mouse. The window is moved by
// dragging its top 20 pixels. Ok gives result 1, Cancel 2; Esc acts as Cancel, Enter as Ok
// while Ok is visible and not dimmed.
class TStdPeltoForm : public QDialog {
    Q_OBJECT
public:
    explicit TStdPeltoForm(QWidget* parent = nullptr);
    ~TStdPeltoForm() override;

    enum Result { mrOk = 1, mrCancel = 2 };

    QLabel* StdLabelTitle = nullptr;
    TBmpButton* BtnCancel = nullptr;
    TBmpButton* BtnOk = nullptr;
    TClearPanel* InfoPanel = nullptr;
    QLabel* InfoBar = nullptr;

    // Window colours; a derived window that sets them calls SetColors before the first show.
    uint32_t BackColor = 0x026D6D6D;
    uint32_t LineColor = 0x02909090;
    void SetColors(uint32_t back, uint32_t line);
    // Derived windows that place Cancel and Ok themselves set this.
    bool KeepButtonPositions = false;

    int HelpContext() const;
    void SetHelpContext(int number);

    // The finished background (null while the window is hidden) and where the bottom curve sits.
    const QPixmap& Background() const { return m_background; }
    QPoint BottomCurveAt() const { return m_bottomCurve; }
    bool Dragging() const { return m_dragging; }

    // The window keeps its size once shown (a single border): change it through here.
    void SetClientSize(int width, int height) { setFixedSize(width, height); }

    // Builds the background now (it is built on show and on resize).
    void RebuildBackground();

public slots:
    void BtnOkClick();
    void BtnCancelClick();
    void reject() override;   // the window's close box: as Cancel

protected:
    // Called before the background is built; a window that builds all of it itself paints into
    // `painter` and returns true.
    virtual bool BeforeBuildBackground(QPainter& painter);
    virtual void BuildBackground(QPainter& painter);
    virtual void DrawTopDecoration(QPainter& painter);
    virtual void DrawBottomDecoration(QPainter& painter);

    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

    // The hint of a bitmap button: its help number, the next one while it is dimmed.
    void BmpButtonHint(TBmpButton* button);
    // Applies the language table once, at the first show (the window's name is final then).
    virtual void ApplyStrings();

private:
    void WireHints();

    bool m_colorsSet = false;
    bool m_shownOnce = false;
    QPixmap m_background;
    QPoint m_bottomCurve;
    bool m_dragging = false;
    QPoint m_dragMouse;
    QPoint m_dragWindow;
};

} // namespace kav
