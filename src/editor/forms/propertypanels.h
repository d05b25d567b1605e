#pragma once
#include <QComboBox>
#include <QWidget>

#include <cstdint>
#include <functional>

class QCheckBox;
class QLabel;
class QLineEdit;

namespace kav {

class TBmpButton;
class TCastList;
class TEditSession;

// The colour dialog of the event dialogs (eventdialogs::ChooseColor), with the program's sixteen
// custom colours. True with OK; `color` is a designed colour value.
bool ChooseColor(uint32_t& color, QWidget* parent);
// Tests answer colour dialogs through this instead (null restores the dialog).
void SetColorChooser(std::function<bool(uint32_t& color, QWidget* parent)> chooser);

// A combo box of numbers. Typed keys are limited to digits, "." and Backspace; Enter applies,
// Esc reverts, leaving the box applies what was typed. The numeric keypad's plus and minus step
// to the next and previous entry (and apply). A box that is not editable (the font list) only
// takes the keypad steps.
class TNumberCombo : public QComboBox {
    Q_OBJECT
public:
    explicit TNumberCombo(bool editable, QWidget* parent = nullptr);
    void SetValues(const QList<int>& values);
    // Shows a value without applying it.
    void Show(const QString& text);

signals:
    void Applied(const QString& text);
    void Reverted();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool HandleKey(QKeyEvent* event);
    void Step(int delta);
    bool m_typed = false;
};

// The lower tool panel: the property panels of the selection above the cast list. It works on
// the edit session alone; the main window calls UpdatePropertyPanels and Cast()->ScrollCast()
// after every selection change, RedrawCastList after every change, and connects the signals.
class TLowerToolPanel : public QWidget {
    Q_OBJECT
public:
    static constexpr int kPropHeight = 60;

    explicit TLowerToolPanel(TEditSession& session, QWidget* parent = nullptr);
    ~TLowerToolPanel() override;

    TCastList* Cast() const { return m_cast; }
    // Shows the panels of the selection with its values (after every selection change and command).
    void UpdatePropertyPanels();
    // Fills the font list and the stage sizes again (after the data files were read).
    void FillLists();
    // The info bar's number for the panel's background: 2990 animation, 3000 text, 3010 image,
    // 3020 background, 2991 otherwise.
    int BackgroundHint() const;

    QWidget* ImgPropPanel = nullptr;
    QWidget* AnimPropPanel = nullptr;
    QWidget* TextPropPanel = nullptr;
    QWidget* PathPropPanel = nullptr;
    QWidget* BkgdPropPanel = nullptr;

    TBmpButton* BtnImageFlip = nullptr;
    TBmpButton* BtnAnimFlip = nullptr;
    TBmpButton* BtnAnimLoops = nullptr;
    TNumberCombo* AnimTempoCmb = nullptr;

    TNumberCombo* FontNameCmb = nullptr;
    TNumberCombo* FontSizeCmb = nullptr;
    TNumberCombo* FontSpacingCmb = nullptr;
    TBmpButton* FontBold = nullptr;
    TBmpButton* FontItalic = nullptr;
    TBmpButton* FontAlign = nullptr;
    TBmpButton* FontColor = nullptr;
    TBmpButton* FontEffect = nullptr;
    QCheckBox* FontEffectBox[5] = {};
    QLabel* LabelEffect[5] = {};
    TNumberCombo* FontEffectTempoCmb = nullptr;

    TBmpButton* PathTypeLoop = nullptr;
    TBmpButton* PathTypeRepeat = nullptr;
    TBmpButton* PathTypeOnce = nullptr;
    TBmpButton* PathTypeReturn = nullptr;
    TNumberCombo* PathSpeedCmb = nullptr;

    TBmpButton* BackgroundColor = nullptr;
    TBmpButton* BorderVisible = nullptr;
    TBmpButton* BorderColor = nullptr;
    TNumberCombo* BorderWidthCmb = nullptr;
    TBmpButton* StageTile = nullptr;
    QLineEdit* BannerWidth = nullptr;
    QLineEdit* BannerHeight = nullptr;
    QComboBox* StageSizeCmb = nullptr;
    QCheckBox* Proportions = nullptr;

    // Captions take the size of their (translated) texts and the rows that follow them move up
    // or down to make room; called once the window's language table is applied.
    void FitCaptions();

signals:
    // The stage size changed: the stage widget takes the new size.
    void StageSizeChanged();
    // A command failed with a message for the user (the main window shows it).
    void CommandFailed(const QString& message);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildImagePanel();
    void BuildAnimPanel();
    void BuildTextPanel();
    void BuildPathPanel();
    void BuildBackgroundPanel();
    void LayoutPanels();
    void PlaceEffectRow();
    // Runs a command and refreshes what shows it.
    void Run(const std::function<void()>& command);
    void ApplyStageEdit(QLineEdit* edit);
    void PickColor(uint32_t start, const std::function<void(uint32_t)>& apply);

    TEditSession& m_session;
    TCastList* m_cast = nullptr;
    QLabel* m_sizeTimes = nullptr;
    bool m_updating = false;
    bool m_leavingEdit = false;
};

} // namespace kav
