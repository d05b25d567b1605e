#include "editor/forms/propertypanels.h"

#include "editor/forms/eventdialogs.h"

#include "config/datafiles.h"
#include "config/settings.h"
#include "core/colors.h"
#include "core/errors.h"
#include "document/document.h"
#include "document/item.h"
#include "document/itemimage.h"
#include "document/itemtext.h"
#include "document/project.h"
#include "document/scene.h"
#include "document/stage.h"
#include "editor/editsession.h"
#include "editor/forms/castlist.h"
#include "editor/itemcommands.h"
#include "ui/forms/bmpbutton.h"
#include "ui/forms/interstore.h"
#include "ui/langstrings.h"

#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QLinearGradient>

#include <limits>

namespace kav {

// ---------------------------------------------------------------------------------------------
namespace {

std::function<bool(uint32_t&, QWidget*)>& Chooser()
{
    static std::function<bool(uint32_t&, QWidget*)> chooser;
    return chooser;
}


// A panel of the strip: a rounded card drawn from the strip's pictures.
class TPropPanel : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override
    {
        const qreal dpr = devicePixelRatioF();
        const QImage& left = LowerPanelPicture(QStringLiteral("PropLeft"), dpr);
        const QImage& middle = LowerPanelPicture(QStringLiteral("PropMiddle"), dpr);
        const QImage& right = LowerPanelPicture(QStringLiteral("PropRight"), dpr);
        const int lw = left.deviceIndependentSize().toSize().width();
        const int rw = right.deviceIndependentSize().toSize().width();
        QPainter p(this);
        p.drawImage(QRectF(0, 0, lw, height()), left);
        p.drawImage(QRectF(lw, 0, width() - lw - rw, height()), middle);
        p.drawImage(QRectF(width() - rw, 0, rw, height()), right);
    }
};

TBmpButton* PanelButton(QWidget* parent, const QString& objectName, const QString& picture, const QString& tip)
{
    auto* b = new TBmpButton(parent);
    b->setObjectName(objectName);
    const QString base = QStringLiteral("LowerToolPanel\\") + picture;
    b->SetBmps(base, base + QLatin1Char('R'), base + QLatin1Char('C'), base + QLatin1Char('D'));
    b->setFixedSize(28, 24);
    b->setToolTip(tip);
    return b;
}

TBmpButton* ToggleButton(QWidget* parent, const QString& objectName, const QString& picture, const QString& tip)
{
    TBmpButton* b = PanelButton(parent, objectName, picture, tip);
    b->SetStayDown(true);
    b->ClickBackUp = true;
    return b;
}

// A button whose face carries a colour bar under its glyph.
void ShowColorBar(TBmpButton* b, std::function<uint32_t()> color)
{
    b->OnPaint = [b, color](QPainter& p) {
        p.drawImage(QPointF(0, 0), b->StatePicture(b->CurrentState()));
        const QRectF bar(7, 17, 14, 3.5);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(QColor(0, 0, 0, b->Dimmed() ? 40 : 90), 0.8));
        QColor fill = ToQColor(color());
        if (b->Dimmed())
            fill.setAlpha(90);
        p.setBrush(fill);
        p.drawRoundedRect(bar, 1, 1);
    };
}

QLabel* Caption(QWidget* parent, const QString& text, const QString& objectName = {})
{
    auto* l = new QLabel(text, parent);
    if (!objectName.isEmpty())
        l->setObjectName(objectName);
    QFont f = l->font();
    f.setPointSizeF(8);
    l->setFont(f);
    QPalette pal = l->palette();
    pal.setColor(QPalette::WindowText, QColor(0x5A, 0x64, 0x73));
    l->setPalette(pal);
    l->adjustSize();
    return l;
}

void SetLabelColor(QLabel* label, const QColor& color)
{
    QPalette pal = label->palette();
    pal.setColor(QPalette::WindowText, color);
    label->setPalette(pal);
}

// The stage-size edits take digits, ".", "+", "-" and the editing keys.
bool StageEditKeyAllowed(const QString& text)
{
    if (text.isEmpty())
        return true;
    const QChar c = text[0];
    return !c.isPrint() || c.isDigit() || c == QLatin1Char('.') || c == QLatin1Char('+') || c == QLatin1Char('-');
}

} // namespace

bool ChooseColor(uint32_t& color, QWidget* parent)
{
    if (Chooser())
        return Chooser()(color, parent);
    return eventdialogs::ChooseColor(parent, color);
}

void SetColorChooser(std::function<bool(uint32_t& color, QWidget* parent)> chooser)
{
    Chooser() = std::move(chooser);
}

// ---------------------------------------------------------------------------------------------
TNumberCombo::TNumberCombo(bool editable, QWidget* parent) : QComboBox(parent)
{
    setEditable(editable);
    setInsertPolicy(QComboBox::NoInsert);
    setMaxVisibleItems(20);
    if (editable) {
        lineEdit()->installEventFilter(this);
        connect(lineEdit(), &QLineEdit::textEdited, this, [this] { m_typed = true; });
        connect(lineEdit(), &QLineEdit::editingFinished, this, [this] {
            // Leaving the box applies what was typed into it.
            if (m_typed) {
                m_typed = false;
                emit Applied(currentText());
            }
        });
    }
    connect(this, qOverload<int>(&QComboBox::activated), this, [this](int index) {
        m_typed = false;
        emit Applied(isEditable() ? itemText(index) : QString::number(index));
    });
}

void TNumberCombo::SetValues(const QList<int>& values)
{
    const QSignalBlocker block(this);
    clear();
    for (int v : values)
        addItem(QString::number(v), v);
}

void TNumberCombo::Show(const QString& text)
{
    const QSignalBlocker block(this);
    m_typed = false;
    if (isEditable()) {
        const int at = findText(text);
        if (at >= 0)
            setCurrentIndex(at);
        setEditText(text);
    } else {
        setCurrentIndex(findText(text));
    }
}

void TNumberCombo::Step(int delta)
{
    int at = currentIndex();
    if (isEditable()) {
        // From the typed value to the next entry of the list.
        const int value = NumberFromText(currentText(), 0, std::numeric_limits<int>::min(), std::numeric_limits<int>::max());
        at = -1;
        for (int i = 0; i < count(); ++i) {
            const int v = itemData(i).toInt();
            if (delta > 0 ? v > value : v < value) {
                if (delta > 0) {
                    at = i;
                    break;
                }
                at = i;
            }
        }
        if (at < 0)
            return;
    } else {
        at = std::clamp(at + delta, 0, count() - 1);
        if (at == currentIndex())
            return;
    }
    {
        const QSignalBlocker block(this);
        setCurrentIndex(at);
    }
    m_typed = false;
    emit Applied(isEditable() ? itemText(at) : QString::number(at));
}

bool TNumberCombo::HandleKey(QKeyEvent* e)
{
    if (e->modifiers() & Qt::KeypadModifier) {
        if (e->key() == Qt::Key_Plus) {
            Step(1);
            return true;
        }
        if (e->key() == Qt::Key_Minus) {
            Step(-1);
            return true;
        }
    }
    if (!isEditable())
        return false;
    switch (e->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        m_typed = false;
        emit Applied(currentText());
        return true;
    case Qt::Key_Escape:
        m_typed = false;
        emit Reverted();
        return true;
    default:
        break;
    }
    const QString text = e->text();
    if (!text.isEmpty() && text[0].isPrint() && !text[0].isDigit() && text[0] != QLatin1Char('.'))
        return true;  // not a key these boxes take
    return false;
}

bool TNumberCombo::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == lineEdit() && event->type() == QEvent::KeyPress && HandleKey(static_cast<QKeyEvent*>(event)))
        return true;
    return QComboBox::eventFilter(watched, event);
}

void TNumberCombo::keyPressEvent(QKeyEvent* event)
{
    if (HandleKey(event))
        return;
    QComboBox::keyPressEvent(event);
}

// ---------------------------------------------------------------------------------------------
TLowerToolPanel::TLowerToolPanel(TEditSession& session, QWidget* parent) : QWidget(parent), m_session(session)
{
    setObjectName(QStringLiteral("LowerToolPanel"));
    setMinimumHeight(kPropHeight + TCastList::kRowHeight);
    m_cast = new TCastList(session, this);
    BuildImagePanel();
    BuildAnimPanel();
    BuildTextPanel();
    BuildPathPanel();
    BuildBackgroundPanel();
    FillLists();
    UpdatePropertyPanels();
}

TLowerToolPanel::~TLowerToolPanel() = default;

void TLowerToolPanel::Run(const std::function<void()>& command)
{
    if (m_updating)
        return;
    try {
        command();
    } catch (const UserError& e) {
        emit CommandFailed(e.message());
    }
    UpdatePropertyPanels();
    m_cast->RedrawCastList();
}

void TLowerToolPanel::PickColor(uint32_t start, const std::function<void(uint32_t)>& apply)
{
    uint32_t color = start & 0x00FFFFFF;
    if (ChooseColor(color, this))
        Run([&] { apply(color); });
}

void TLowerToolPanel::BuildImagePanel()
{
    ImgPropPanel = new TPropPanel(this);
    ImgPropPanel->setObjectName(QStringLiteral("ImgPropPanel"));
    Caption(ImgPropPanel, QStringLiteral("Image"), QStringLiteral("LabelImage"))->move(14, 8);
    BtnImageFlip = PanelButton(ImgPropPanel, QStringLiteral("BtnImageFlip"), QStringLiteral("BtnFlip"), QStringLiteral("Flip"));
    BtnImageFlip->move(14, 26);
    ImgPropPanel->resize(60, kPropHeight);
    connect(BtnImageFlip, &TBmpButton::OnClick, this, [this] { Run([this] { ItemCommands::Flip(m_session); }); });
}

void TLowerToolPanel::BuildAnimPanel()
{
    AnimPropPanel = new TPropPanel(this);
    AnimPropPanel->setObjectName(QStringLiteral("AnimPropPanel"));
    Caption(AnimPropPanel, QStringLiteral("Animation"), QStringLiteral("LabelAnimation"))->move(14, 8);
    BtnAnimFlip = PanelButton(AnimPropPanel, QStringLiteral("BtnAnimFlip"), QStringLiteral("BtnFlip"), QStringLiteral("Flip"));
    BtnAnimFlip->move(14, 26);
    BtnAnimLoops = ToggleButton(AnimPropPanel, QStringLiteral("BtnAnimLoops"), QStringLiteral("BtnLoops"),
                                QStringLiteral("Loop for ever"));
    BtnAnimLoops->move(46, 26);
    QLabel* tempo = Caption(AnimPropPanel, QStringLiteral("Tempo"), QStringLiteral("LabelTempo"));
    tempo->move(84, 8);
    AnimTempoCmb = new TNumberCombo(true, AnimPropPanel);
    AnimTempoCmb->setObjectName(QStringLiteral("AnimTempoCmb"));
    QList<int> tempos;
    for (int i = kMinShownTempo; i <= kMaxShownTempo; ++i)
        tempos << i;
    AnimTempoCmb->SetValues(tempos);
    AnimTempoCmb->setGeometry(82, 26, 58, 24);
    AnimPropPanel->resize(154, kPropHeight);
    connect(BtnAnimFlip, &TBmpButton::OnClick, this, [this] { Run([this] { ItemCommands::Flip(m_session); }); });
    connect(BtnAnimLoops, &TBmpButton::OnClick, this, [this] {
        const bool always = BtnAnimLoops->Pressed();
        Run([this, always] { ItemCommands::SetAnimLoop(m_session, always); });
    });
    connect(AnimTempoCmb, &TNumberCombo::Applied, this,
            [this](const QString& t) { Run([this, t] { ItemCommands::SetTempo(m_session, t); }); });
    connect(AnimTempoCmb, &TNumberCombo::Reverted, this, [this] { UpdatePropertyPanels(); });
}

void TLowerToolPanel::BuildTextPanel()
{
    TextPropPanel = new TPropPanel(this);
    TextPropPanel->setObjectName(QStringLiteral("TextPropPanel"));
    QWidget* p = TextPropPanel;
    int x = 12;
    FontNameCmb = new TNumberCombo(false, p);
    FontNameCmb->setObjectName(QStringLiteral("FontNameCmb"));
    FontNameCmb->setGeometry(x, 5, 132, 24);
    FontNameCmb->setToolTip(QStringLiteral("Font"));
    x += 136;
    FontSizeCmb = new TNumberCombo(true, p);
    FontSizeCmb->setObjectName(QStringLiteral("FontSizeCmb"));
    FontSizeCmb->SetValues(SizeValues());
    FontSizeCmb->setGeometry(x, 5, 56, 24);
    FontSizeCmb->setToolTip(QStringLiteral("Size"));
    x += 60;
    FontSpacingCmb = new TNumberCombo(true, p);
    FontSpacingCmb->setObjectName(QStringLiteral("FontSpacingCmb"));
    FontSpacingCmb->SetValues(SpacingValues());
    FontSpacingCmb->setGeometry(x, 5, 50, 24);
    FontSpacingCmb->setToolTip(QStringLiteral("Spacing"));
    x += 56;
    FontBold = ToggleButton(p, QStringLiteral("FontBold"), QStringLiteral("BtnBold"), QStringLiteral("Bold"));
    FontBold->move(x, 5);
    FontItalic = ToggleButton(p, QStringLiteral("FontItalic"), QStringLiteral("BtnItalic"), QStringLiteral("Italic"));
    FontItalic->move(x + 30, 5);
    FontAlign = PanelButton(p, QStringLiteral("FontAlign"), QStringLiteral("BtnAlignLeft"), QStringLiteral("Alignment"));
    FontAlign->move(x + 60, 5);
    FontColor = PanelButton(p, QStringLiteral("FontColor"), QStringLiteral("BtnFontColor"), QStringLiteral("Text colour"));
    FontColor->move(x + 90, 5);
    ShowColorBar(FontColor, [this] {
        TItemText* t = SelectedText(m_session);
        return t ? t->Font.TextColor : 0u;
    });

    // Second row: the effects.
    FontEffect = ToggleButton(p, QStringLiteral("FontEffect"), QStringLiteral("BtnFontEffect"), QStringLiteral("Effects"));
    FontEffect->move(12, 32);
    const QString names[5] = {QStringLiteral("Blinking"), QStringLiteral("Wave"), QStringLiteral("Bungee"),
                              QStringLiteral("Typewriter"), QStringLiteral("Zoom")};
    for (int i = 0; i < 5; ++i) {
        auto* box = new QCheckBox(p);
        box->setObjectName(QStringLiteral("FontEffect_Effect%1").arg(i + 1));
        box->adjustSize();
        QLabel* label = Caption(p, names[i], QStringLiteral("LabelEffect_Effect%1").arg(i + 1));
        label->installEventFilter(this);
        FontEffectBox[i] = box;
        LabelEffect[i] = label;
        connect(box, &QCheckBox::clicked, this, [this, i] { Run([this, i] { ItemCommands::ToggleEffect(m_session, i); }); });
    }
    FontEffectTempoCmb = new TNumberCombo(true, p);
    FontEffectTempoCmb->setObjectName(QStringLiteral("FontEffectTempoCmb"));
    QList<int> tempos;
    for (int i = kMinShownTempo; i <= kMaxShownTempo; ++i)
        tempos << i;
    FontEffectTempoCmb->SetValues(tempos);
    FontEffectTempoCmb->setToolTip(QStringLiteral("Effect tempo"));
    PlaceEffectRow();

    connect(FontNameCmb, &TNumberCombo::Applied, this,
            [this](const QString& index) { Run([this, index] { ItemCommands::SetFont(m_session, index.toInt()); }); });
    connect(FontSizeCmb, &TNumberCombo::Applied, this,
            [this](const QString& t) { Run([this, t] { ItemCommands::SetFontSize(m_session, t); }); });
    connect(FontSpacingCmb, &TNumberCombo::Applied, this,
            [this](const QString& t) { Run([this, t] { ItemCommands::SetSpacing(m_session, t); }); });
    for (TNumberCombo* c : {FontSizeCmb, FontSpacingCmb, FontEffectTempoCmb})
        connect(c, &TNumberCombo::Reverted, this, [this] { UpdatePropertyPanels(); });
    const auto style = [this] {
        const bool bold = FontBold->Pressed(), italic = FontItalic->Pressed();
        Run([this, bold, italic] { ItemCommands::SetStyle(m_session, bold, italic); });
    };
    connect(FontBold, &TBmpButton::OnClick, this, style);
    connect(FontItalic, &TBmpButton::OnClick, this, style);
    connect(FontAlign, &TBmpButton::OnClick, this, [this] { Run([this] { ItemCommands::CycleAlignment(m_session); }); });
    connect(FontColor, &TBmpButton::OnClick, this, [this] {
        if (TItemText* t = SelectedText(m_session))
            PickColor(t->Font.TextColor, [this](uint32_t c) { ItemCommands::SetTextColor(m_session, c); });
    });
    connect(FontEffect, &TBmpButton::OnClick, this, [this] {
        const bool on = FontEffect->Pressed();
        Run([this, on] { ItemCommands::SetEffectsEnabled(m_session, on); });
    });
    connect(FontEffectTempoCmb, &TNumberCombo::Applied, this,
            [this](const QString& t) { Run([this, t] { ItemCommands::SetTempo(m_session, t); }); });
}

void TLowerToolPanel::BuildPathPanel()
{
    PathPropPanel = new TPropPanel(this);
    PathPropPanel->setObjectName(QStringLiteral("PathPropPanel"));
    QWidget* p = PathPropPanel;
    Caption(p, QStringLiteral("Path"), QStringLiteral("LabelPath"))->move(14, 8);
    PathTypeLoop = ToggleButton(p, QStringLiteral("PathType_Loop"), QStringLiteral("BtnPathLoop"), QStringLiteral("Closed loop"));
    PathTypeRepeat = ToggleButton(p, QStringLiteral("PathType_Repeat"), QStringLiteral("BtnPathRepeat"),
                                  QStringLiteral("Repeat from beginning"));
    PathTypeOnce = ToggleButton(p, QStringLiteral("PathType_Once"), QStringLiteral("BtnPathOnce"), QStringLiteral("Stop at end"));
    PathTypeReturn = ToggleButton(p, QStringLiteral("PathType_Return"), QStringLiteral("BtnPathReturn"),
                                  QStringLiteral("Back and forth"));
    const struct { TBmpButton* button; int type; } types[] = {
        {PathTypeLoop, pmLoop}, {PathTypeRepeat, pmRepeat}, {PathTypeOnce, pmOnce}, {PathTypeReturn, pmReturn}};
    int x = 12;
    for (const auto& t : types) {
        t.button->move(x, 26);
        x += 30;
        const int type = t.type;
        connect(t.button, &TBmpButton::OnClick, this, [this, type] { Run([this, type] { ItemCommands::SetPathType(m_session, type); }); });
    }
    Caption(p, QStringLiteral("Speed"), QStringLiteral("LabelSpeed"))->move(x + 6, 8);
    PathSpeedCmb = new TNumberCombo(true, p);
    PathSpeedCmb->setObjectName(QStringLiteral("PathSpeedCmb"));
    PathSpeedCmb->SetValues(SpeedValues());
    PathSpeedCmb->setGeometry(x + 4, 26, 56, 24);
    p->resize(x + 4 + 56 + 14, kPropHeight);
    connect(PathSpeedCmb, &TNumberCombo::Applied, this,
            [this](const QString& t) { Run([this, t] { ItemCommands::SetSpeed(m_session, t); }); });
    connect(PathSpeedCmb, &TNumberCombo::Reverted, this, [this] { UpdatePropertyPanels(); });
}

void TLowerToolPanel::BuildBackgroundPanel()
{
    BkgdPropPanel = new TPropPanel(this);
    BkgdPropPanel->setObjectName(QStringLiteral("BkgdPropPanel"));
    QWidget* p = BkgdPropPanel;
    BackgroundColor = PanelButton(p, QStringLiteral("BackgroundColor"), QStringLiteral("BtnBkColor"), QStringLiteral("Stage colour"));
    BackgroundColor->move(12, 5);
    ShowColorBar(BackgroundColor, [this] {
        TStage* st = CurrentStage(m_session);
        return st ? st->Color : 0xFFFFFFu;
    });
    StageTile = ToggleButton(p, QStringLiteral("StageTile"), QStringLiteral("BtnStageTile"), QStringLiteral("Tile the background image"));
    StageTile->move(42, 5);
    BorderVisible = ToggleButton(p, QStringLiteral("BorderVisible"), QStringLiteral("BtnBorderVisible"), QStringLiteral("Border"));
    BorderVisible->move(80, 5);
    BorderColor = PanelButton(p, QStringLiteral("BorderColor"), QStringLiteral("BtnBorderColor"), QStringLiteral("Border colour"));
    BorderColor->move(110, 5);
    ShowColorBar(BorderColor, [this] {
        TStage* st = CurrentStage(m_session);
        return st ? st->BorderColor : 0u;
    });
    BorderWidthCmb = new TNumberCombo(true, p);
    BorderWidthCmb->setObjectName(QStringLiteral("BorderWidthCmb"));
    BorderWidthCmb->SetValues(BorderWidthValues());
    BorderWidthCmb->setGeometry(140, 5, 52, 24);
    BorderWidthCmb->setToolTip(QStringLiteral("Border width"));

    BannerWidth = new QLineEdit(p);
    BannerWidth->setObjectName(QStringLiteral("BannerWidth"));
    BannerWidth->setGeometry(12, 32, 50, 24);
    BannerWidth->setToolTip(QStringLiteral("Stage width"));
    m_sizeTimes = Caption(p, QStringLiteral("×"));
    m_sizeTimes->move(66, 36);
    BannerHeight = new QLineEdit(p);
    BannerHeight->setObjectName(QStringLiteral("BannerHeight"));
    BannerHeight->setGeometry(78, 32, 50, 24);
    BannerHeight->setToolTip(QStringLiteral("Stage height"));
    for (QLineEdit* e : {BannerWidth, BannerHeight}) {
        e->setAlignment(Qt::AlignRight);
        e->installEventFilter(this);
        connect(e, &QLineEdit::editingFinished, this, [this, e] {
            if (!m_leavingEdit)
                ApplyStageEdit(e);
        });
    }
    StageSizeCmb = new QComboBox(p);
    StageSizeCmb->setObjectName(QStringLiteral("StageSizeCmb"));
    StageSizeCmb->setGeometry(134, 32, 200, 24);
    StageSizeCmb->setMaxVisibleItems(24);
    Proportions = new QCheckBox(QStringLiteral("Proportions"), p);
    Proportions->setObjectName(QStringLiteral("Proportions"));
    Proportions->adjustSize();
    Proportions->move(200, 8);
    p->resize(348, kPropHeight);

    connect(BackgroundColor, &TBmpButton::OnClick, this, [this] {
        if (TStage* st = CurrentStage(m_session))
            PickColor(st->Color, [this](uint32_t c) { ItemCommands::SetStageColor(m_session, c); });
    });
    connect(StageTile, &TBmpButton::OnClick, this, [this] {
        const bool tile = StageTile->Pressed();
        Run([this, tile] { ItemCommands::SetTile(m_session, tile); });
    });
    connect(BorderVisible, &TBmpButton::OnClick, this, [this] {
        const bool on = BorderVisible->Pressed();
        Run([this, on] { ItemCommands::SetBorderVisible(m_session, on); });
    });
    connect(BorderColor, &TBmpButton::OnClick, this, [this] {
        if (TStage* st = CurrentStage(m_session))
            PickColor(st->BorderColor, [this](uint32_t c) { ItemCommands::SetBorderColor(m_session, c); });
    });
    connect(BorderWidthCmb, &TNumberCombo::Applied, this,
            [this](const QString& t) { Run([this, t] { ItemCommands::SetBorderWidth(m_session, t); }); });
    connect(BorderWidthCmb, &TNumberCombo::Reverted, this, [this] { UpdatePropertyPanels(); });
    connect(StageSizeCmb, qOverload<int>(&QComboBox::activated), this, [this](int entry) {
        bool changed = false;
        Run([&] {
            const int w = m_session.Project.StageWidth, h = m_session.Project.StageHeight;
            ItemCommands::ChooseStageSize(m_session, entry);
            changed = w != m_session.Project.StageWidth || h != m_session.Project.StageHeight;
        });
        if (changed)
            emit StageSizeChanged();
    });
    connect(Proportions, &QCheckBox::toggled, this, [this](bool on) {
        if (!m_updating)
            settings().StageProportions = on;
    });
}

void TLowerToolPanel::ApplyStageEdit(QLineEdit* edit)
{
    bool changed = false;
    Run([&] {
        changed = edit == BannerWidth
                      ? ItemCommands::ApplyStageWidth(m_session, edit->text(), Proportions->isChecked())
                      : ItemCommands::ApplyStageHeight(m_session, edit->text(), Proportions->isChecked());
    });
    if (changed)
        emit StageSizeChanged();
}

bool TLowerToolPanel::eventFilter(QObject* watched, QEvent* event)
{
    // A click on an effect's label toggles it, while effects are on.
    for (int i = 0; i < 5; ++i)
        if (watched == LabelEffect[i] && event->type() == QEvent::MouseButtonPress) {
            if (FontEffectBox[i]->isEnabled())
                Run([this, i] { ItemCommands::ToggleEffect(m_session, i); });
            return true;
        }
    auto* edit = qobject_cast<QLineEdit*>(watched);
    if ((edit == BannerWidth || edit == BannerHeight) && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        switch (key->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            // Leaves the edit and applies it; the edit then shows the value used.
            m_leavingEdit = true;
            edit->clearFocus();
            m_leavingEdit = false;
            ApplyStageEdit(edit);
            return true;
        case Qt::Key_Escape:
            // Leaves without applying.
            m_leavingEdit = true;
            UpdatePropertyPanels();
            edit->clearFocus();
            m_leavingEdit = false;
            return true;
        case Qt::Key_Plus:
        case Qt::Key_Minus: {
            // A step of one in the edit; applied only with Enter or on leaving.
            const int v = NumberFromText(edit->text(), 0, std::numeric_limits<int>::min() / 2, std::numeric_limits<int>::max() / 2);
            edit->setText(QString::number(v + (key->key() == Qt::Key_Plus ? 1 : -1)));
            return true;
        }
        default:
            if (!StageEditKeyAllowed(key->text()))
                return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TLowerToolPanel::FillLists()
{
    const bool was = m_updating;
    m_updating = true;
    FontNameCmb->clear();
    for (const TFontNames& f : FontList())
        FontNameCmb->addItem(f.FontDisplayName);
    StageSizeCmb->clear();
    StageSizeCmb->addItems(ItemCommands::StageSizeNames());
    m_updating = was;
}

int TLowerToolPanel::BackgroundHint() const
{
    if (SelectedAnim(m_session))
        return 2990;
    if (SelectedText(m_session))
        return 3000;
    if (SelectedImage(m_session))
        return 3010;
    if (m_session.BackgroundSelected())
        return 3020;
    return 2991;
}

void TLowerToolPanel::UpdatePropertyPanels()
{
    m_updating = true;
    const TPanelsShown shown = PanelsShown(m_session);
    ImgPropPanel->setVisible(shown.image);
    AnimPropPanel->setVisible(shown.anim);
    TextPropPanel->setVisible(shown.text);
    PathPropPanel->setVisible(shown.path);
    BkgdPropPanel->setVisible(shown.background);

    if (TItemAnim* anim = SelectedAnim(m_session)) {
        BtnAnimLoops->SetPressed(anim->AnimTempoLoop == 0);
        AnimTempoCmb->Show(QString::number(ShownTempo(anim->Tempo)));
    }
    if (TItemText* t = SelectedText(m_session)) {
        FontNameCmb->Show(t->Font.FontDisplayName);
        FontSizeCmb->Show(QString::number(t->Font.Size));
        FontSpacingCmb->Show(QString::number(t->Spacing));
        FontBold->SetPressed((t->TextStyle & fsBold) != 0);
        FontItalic->SetPressed((t->TextStyle & fsItalic) != 0);
        static const char* const kAlign[3] = {"BtnAlignLeft", "BtnAlignRight", "BtnAlignCenter"};
        const QString align = QStringLiteral("LowerToolPanel\\") + QLatin1String(kAlign[std::min<int>(t->TextAlign, 2)]);
        if (FontAlign->BmpsOff() != align)
            FontAlign->SetBmps(align, align + QLatin1Char('R'), align + QLatin1Char('C'), align + QLatin1Char('D'));
        FontAlign->setToolTip(t->TextAlign == taLeftJustify ? TableText(QStringLiteral("MainForm.FontAlignLeft"), QStringLiteral("Left aligned"))
                              : t->TextAlign == taRightJustify ? TableText(QStringLiteral("MainForm.FontAlignRight"), QStringLiteral("Right aligned"))
                                                               : TableText(QStringLiteral("MainForm.FontAlignCenter"), QStringLiteral("Centred")));
        FontColor->update();
        FontEffect->SetPressed(t->EffectsEnabled);
        for (int i = 0; i < 5; ++i) {
            FontEffectBox[i]->setChecked((t->Effects & EffectFlag(i)) != 0);
            FontEffectBox[i]->setEnabled(t->EffectsEnabled);
            SetLabelColor(LabelEffect[i], t->EffectsEnabled ? QColor(3, 7, 199) : QColor(205, 205, 205));
        }
        FontEffectTempoCmb->setEnabled(t->EffectsEnabled);
        FontEffectTempoCmb->Show(QString::number(ShownTempo(t->EffectDelay)));
    }
    if (TItemBase* item = m_session.CurrentItem(); item && shown.path) {
        const int type = item->Path.MenuIndex();
        PathTypeLoop->SetPressed(type == pmLoop);
        PathTypeRepeat->SetPressed(type == pmRepeat);
        PathTypeOnce->SetPressed(type == pmOnce);
        PathTypeReturn->SetPressed(type == pmReturn);
        PathSpeedCmb->Show(QString::number(item->Path.Speed));
    }
    if (TStage* st = CurrentStage(m_session); st && shown.background) {
        BorderVisible->SetPressed(st->BorderVisible);
        BorderWidthCmb->setEnabled(st->BorderVisible);
        BorderColor->SetDimmed(!st->BorderVisible);
        BorderWidthCmb->Show(QString::number(st->BorderWidth));
        const bool hasImage = !st->BackgroundImage.isEmpty();
        StageTile->SetDimmed(!hasImage);
        StageTile->SetPressed(hasImage && st->TileStyle == tsTile);
        BackgroundColor->update();
        BorderColor->update();
        if (!BannerWidth->hasFocus() || m_leavingEdit)
            BannerWidth->setText(QString::number(m_session.Project.StageWidth));
        if (!BannerHeight->hasFocus() || m_leavingEdit)
            BannerHeight->setText(QString::number(m_session.Project.StageHeight));
        StageSizeCmb->setCurrentIndex(ItemCommands::StageSizeEntry(m_session.Project.StageWidth, m_session.Project.StageHeight));
        Proportions->setChecked(settings().StageProportions);
    }
    LayoutPanels();
    m_updating = false;
}

// The effects row: each box with its label, then the tempo box, under the first row's end.
void TLowerToolPanel::PlaceEffectRow()
{
    int x = 46;
    for (int i = 0; i < 5; ++i) {
        FontEffectBox[i]->move(x, 36);
        x += FontEffectBox[i]->width() + 1;
        LabelEffect[i]->move(x, 38);
        x += LabelEffect[i]->width() + 6;
    }
    const int rowEnd = FontColor->geometry().right() + 1;
    FontEffectTempoCmb->setGeometry(std::max(x, rowEnd - 50), 32, 50, 24);
    TextPropPanel->resize(std::max(rowEnd, FontEffectTempoCmb->geometry().right() + 1) + 12, kPropHeight);
}

void TLowerToolPanel::FitCaptions()
{
    for (QLabel* label : findChildren<QLabel*>())
        if (label->objectName().startsWith(QLatin1String("Label")))
            label->adjustSize();
    Proportions->adjustSize();
    PlaceEffectRow();
    LayoutPanels();
}

void TLowerToolPanel::LayoutPanels()
{
    // Item panels from the left; the path panel at the right end, but clear of the text panel.
    int x = 4;
    for (QWidget* panel : {ImgPropPanel, AnimPropPanel, TextPropPanel, BkgdPropPanel})
        if (!panel->isHidden()) {
            panel->move(x, 0);
            x += panel->width() + 4;
        }
    int pathX = width() - 3 - PathPropPanel->width();
    if (!TextPropPanel->isHidden())
        pathX = std::max(pathX, 410);
    PathPropPanel->move(std::max(pathX, x), 0);
    m_cast->setGeometry(0, kPropHeight, width(), height() - kPropHeight);
}

void TLowerToolPanel::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    LayoutPanels();
}

void TLowerToolPanel::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    QLinearGradient g(0, 0, 0, kPropHeight);
    g.setColorAt(0, QColor(0xE9, 0xEC, 0xF1));
    g.setColorAt(1, QColor(0xDD, 0xE2, 0xEA));
    p.fillRect(QRect(0, 0, width(), kPropHeight), g);
}

} // namespace kav
