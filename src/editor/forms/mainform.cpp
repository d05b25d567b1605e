#include "editor/forms/mainform.h"

#include "document/project.h"
#include "config/settings.h"
#include "core/errors.h"
#include "document/document.h"
#include "document/scene.h"
#include "editor/forms/propertypanels.h"
#include "editor/forms/stagepopups.h"
#include "editor/forms/stagewidget.h"
#include "editor/itemcommands.h"
#include "editor/playclock.h"
#include "platform/soundoutput.h"
#include "core/textstr.h"
#include "document/item.h"
#include "ui/forms/infobar.h"
#include "ui/forms/languageforms.h"
#include "ui/forms/msgform.h"
#include "ui/forms/savemsgform.h"
#include "ui/langstrings.h"

#include <QAction>
#include <QActionGroup>
#include <QScrollBar>
#include <QVBoxLayout>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QRegularExpressionValidator>
#include <QScreen>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>

namespace kav {

namespace {
constexpr int kStageMargin = 20;          // the stage never comes closer to the scroll box's edge
constexpr int kTimeLineInterval = 100;
constexpr int kForwardRepeatDelay = 500;  // the forward button repeats only after this long
constexpr int kFarFromButton = 20;        // beyond this the held step button speeds up

// Menu texts carry '&' for their access key; a button shows the plain text.
QString ButtonText(const char* key) { return WithoutMnemonic(GetText(QLatin1String(key))); }

// Keeps the hourglass up for the duration of a file operation, also when it throws.
struct BusyCursor {
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
};

QString LocalProjectFile(const QMimeData* mime)
{
    if (!mime || !mime->hasUrls())
        return {};
    for (const QUrl& url : mime->urls())
        if (url.isLocalFile() && TMainForm::IsProjectFile(url.toLocalFile()))
            return url.toLocalFile();
    return {};
}
} // namespace

TMainForm::TMainForm(TProject& project, TSoundOutput* sound, QWidget* parent)
    : QMainWindow(parent), m_project(project), m_clock(std::make_unique<TPlayClock>(m_playback))
{
    setObjectName(QStringLiteral("MainForm"));
    if (!sound) {
        m_ownSound = std::make_unique<TMultimediaSoundOutput>();
        sound = m_ownSound.get();
    }
    m_playback.SetSoundOutput(sound);
    m_playback.SceneChanged = [this] {
        RefillSceneBox();
        UpdateCaption();
    };
    connect(m_clock.get(), &TPlayClock::Ticked, this, &TMainForm::Ticked);

    m_session = std::make_unique<TEditSession>(m_project, m_playback);
    m_editor = std::make_unique<TStageEditor>(*m_session);
    m_session->Changed = [this] { SessionChanged(); };
    ShowPopup = [this](const TPopupRequest& r) { ShowStagePopup(r, *m_editor, m_stage); };
    ConfirmMerge = [] {
        return MessageBox(QStringLiteral("Confirm"), GetText(QStringLiteral("Confirm.EventsMerge")), mbOkCancel) == 1;
    };
    AskPathFile = [this](bool save) { return PathDialog(save); };
    m_editor->OpenPopup = [this](const TPopupRequest& r) {
        if (ShowPopup)
            ShowPopup(r);
    };
    m_editor->ConfirmMerge = [this] { return !ConfirmMerge || ConfirmMerge(); };
    m_editor->TogglePlay = [this] { TogglePlay(); };
    m_editor->PlayScene = [this] { ScenePlay(); };
    m_editor->SceneChanged = [this] {
        RefillSceneBox();
        UpdateCaption();
    };

    m_monotonic.start();
    Now = [this] { return m_monotonic.elapsed(); };
    AskSaveChanges = [this] { return AskSaveChangesBox(); };
    AskOpenFile = [this] { return OpenDialog(); };
    AskSaveFile = [this] { return SaveDialog(); };
    ShowError = [this](const QString& message) { ShowErrorBox(message); };

    m_blinkTimer.setInterval(kTimeLineInterval);
    connect(&m_blinkTimer, &QTimer::timeout, this, [this] {
        if (m_editor->PathEditor.BlinkLabel())
            Repaint();
    });
    m_timeLineTimer.setInterval(kTimeLineInterval);
    connect(&m_timeLineTimer, &QTimer::timeout, this, &TMainForm::TimerTimeLineTimer);
    // While the project holds unsaved changes its working folder keeps a copy of them, so a
    // crash loses at most the last few seconds; a failed copy must not disturb the work.
    m_recoveryTimer.setInterval(15000);
    connect(&m_recoveryTimer, &QTimer::timeout, this, [this] {
        if (!m_project.Modified() || m_playback.Playing)
            return;
        try {
            m_project.WriteRecovery();
        } catch (const UserError&) {
        }
    });
    m_recoveryTimer.start();

    BuildMenus();
    BuildToolPanel();
    BuildStage();
    WireWindows();
    statusBar()->setObjectName(QStringLiteral("InfoBar"));
    m_itemCount = new QLabel;
    m_itemCount->setObjectName(QStringLiteral("ItemCountPanel"));
    m_itemCount->setContentsMargins(6, 0, 6, 0);
    statusBar()->addPermanentWidget(m_itemCount);
    setAcceptDrops(true);

    LocaliseForm(this);
    m_lower->FitCaptions();
    // A play button and the stop button that takes its place keep one width, so the buttons
    // after them stay where the mouse expects them.
    for (auto [play, stop] : {std::pair{m_btnPlayBanner, m_btnStopBanner}, std::pair{m_btnPlayScene, m_btnStopScene}}) {
        const int w = std::max(play->sizeHint().width(), stop->sizeHint().width());
        play->setFixedWidth(w);
        stop->setFixedWidth(w);
    }
    UpdatePlayControls();
    // Never so small that the tool panel is cut or the stage has no room.
    setMinimumSize(m_toolBar->sizeHint().width(),
                   menuBar()->sizeHint().height() + m_toolBar->sizeHint().height() +
                       statusBar()->sizeHint().height() + 150);
    RestoreBounds();
    DocumentChanged();
    // Keys start on the stage, not in the first box of the tool panel.
    m_stage->setFocus();
}

TMainForm::~TMainForm()
{
    m_timeLineTimer.stop();
    if (m_playback.Playing)
        m_clock->Stop();
    m_playback.SceneChanged = nullptr;
}

// ---------------------------------------------------------------------------------------------
// Building the window

void TMainForm::BuildMenus()
{
    auto entry = [this](QMenu* menu, const char* name, const QString& text, const QKeySequence& keys,
                            auto slot) {
        auto* a = menu->addAction(text);
        a->setObjectName(QLatin1String(name));
        a->setShortcut(keys);
        connect(a, &QAction::triggered, this, slot);
        return a;
    };

    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("MenuFile"));
    entry(file, "MenuFile_New", QStringLiteral("&New"), QKeySequence(Qt::CTRL | Qt::Key_N), [this] { FileNew(); });
    entry(file, "MenuFile_Open", QStringLiteral("&Open..."), QKeySequence(Qt::CTRL | Qt::Key_O), [this] { FileOpen(); });
    entry(file, "MenuFile_Save", QStringLiteral("&Save"), QKeySequence(Qt::CTRL | Qt::Key_S), [this] { FileSave(); });
    entry(file, "MenuFile_SaveAs", QStringLiteral("Save &As..."), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S),
              [this] { FileSaveAs(); });
    file->addSeparator();
    entry(file, "MenuFile_Exit", QStringLiteral("&Quit"), QKeySequence(Qt::CTRL | Qt::Key_Q), [this] { close(); });

    BuildEditMenus();

    QMenu* controls = menuBar()->addMenu(QStringLiteral("&Controls"));
    controls->setObjectName(QStringLiteral("MenuControls"));
    entry(controls, "MenuControls_Play", QStringLiteral("P&lay Kavelin"), {}, &TMainForm::BannerPlay);
    entry(controls, "MenuControls_PlayScene", QStringLiteral("Play Scene"), {}, &TMainForm::ScenePlay);
    controls->addSeparator();
    entry(controls, "MenuControls_Rewind", QStringLiteral("Rewin&d Kavelin"), {}, &TMainForm::RewindBanner);
    entry(controls, "MenuControls_RewindScene", QStringLiteral("Re&wind Scene"), {}, &TMainForm::RewindScene);
    m_menus = {file, m_menuEdit, m_menuItem, m_menuPath, m_menuEvents, controls};

    // Space plays the whole Kavelin and stops it, from anywhere in the window, menus or not.
    auto* toggle = new QAction(this);
    toggle->setObjectName(QStringLiteral("PlayStopKavelin"));
    toggle->setShortcut(Qt::Key_Space);
    toggle->setShortcutContext(Qt::WindowShortcut);
    connect(toggle, &QAction::triggered, this, &TMainForm::TogglePlay);
    addAction(toggle);
}

void TMainForm::BuildEditMenus()
{
    auto menu = [this](QMenu* parent, const char* name) {
        const QString text = GetText(QStringLiteral("MainForm.") + QLatin1String(name));
        QMenu* m = parent ? parent->addMenu(text) : menuBar()->addMenu(text);
        m->setObjectName(QLatin1String(name));
        return m;
    };
    auto entry = [this](QMenu* m, const char* name, const QKeySequence& keys, auto slot) {
        QAction* a = m->addAction(GetText(QStringLiteral("MainForm.") + QLatin1String(name)));
        a->setObjectName(QLatin1String(name));
        if (!keys.isEmpty())
            a->setShortcut(keys);
        connect(a, &QAction::triggered, this, slot);
        return a;
    };
    TStageEditor* ed = m_editor.get();

    m_menuEdit = menu(nullptr, "MenuEdit");
    m_actUndo = entry(m_menuEdit, "MenuEdit_Undo", QKeySequence(Qt::CTRL | Qt::Key_Z), &TMainForm::EditUndo);
    m_actRedo = entry(m_menuEdit, "MenuEdit_Redo", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), &TMainForm::EditRedo);
    m_menuEdit->addSeparator();
    m_actCut = entry(m_menuEdit, "MenuEdit_Cut", QKeySequence(Qt::CTRL | Qt::Key_X), &TMainForm::EditCut);
    m_actCopy = entry(m_menuEdit, "MenuEdit_Copy", QKeySequence(Qt::CTRL | Qt::Key_C), &TMainForm::EditCopy);
    m_actPaste = entry(m_menuEdit, "MenuEdit_Paste", QKeySequence(Qt::CTRL | Qt::Key_V), &TMainForm::EditPaste);

    m_menuItem = menu(nullptr, "MenuItem");
    // Delete is the stage's own key (it acts on release, as Cut and Paste by Shift+Delete and
    // Shift+Insert do): the entry only names it.
    m_actDelete = entry(m_menuItem, "MenuItem_Delete", {}, [ed] { ed->RemoveSelectedItem(); });
    m_actDuplicate = entry(m_menuItem, "MenuItem_Duplicate", QKeySequence(Qt::CTRL | Qt::Key_D), [ed] { ed->DuplicateSelectedItem(); });
    m_actDeselect = entry(m_menuItem, "MenuItem_Deselect", QKeySequence(Qt::Key_Escape), [ed] { ed->Deselect(); });
    m_menuItem->addSeparator();
    m_menuOrder = menu(m_menuItem, "MenuItem_Order");
    entry(m_menuOrder, "MenuItem_OrderFront", QKeySequence(Qt::CTRL | Qt::Key_F), [ed] { ed->TopLayer(); });
    entry(m_menuOrder, "MenuItem_OrderForward", {}, [ed] { ed->LayerUp(); });
    entry(m_menuOrder, "MenuItem_OrderBackward", {}, [ed] { ed->LayerDown(); });
    entry(m_menuOrder, "MenuItem_OrderBack", QKeySequence(Qt::CTRL | Qt::Key_B), [ed] { ed->BottomLayer(); });
    m_actCenter = entry(m_menuItem, "MenuItem_Center", QKeySequence(Qt::CTRL | Qt::Key_5), [ed] { ed->Center(); });
    BuildItemValueMenu();

    m_menuPath = menu(nullptr, "MenuPath");
    m_actPathCreate = entry(m_menuPath, "MenuPath_Create", {}, [ed] { ed->StartPathDrawing(); });
    m_actPathRemove = entry(m_menuPath, "MenuPath_Remove", {}, [ed] { ed->RemovePath(); });
    m_actPathReverse = entry(m_menuPath, "MenuPath_Reverse", {}, [ed] { ed->ReversePath(); });
    m_actPathTrim = entry(m_menuPath, "MenuPath_Trim", {}, [ed] { ed->TrimPath(); });
    m_actPathStraighten = entry(m_menuPath, "MenuPath_Straighten", {}, [ed] { ed->StraightenPath(); });
    m_menuPathType = menu(m_menuPath, "MenuPath_Type");
    auto* types = new QActionGroup(m_menuPathType);
    static const char* const typeNames[4] = {"MenuPath_TypeLoop", "MenuPath_TypeRepeat", "MenuPath_TypeOnce", "MenuPath_TypeReturn"};
    for (int t = 0; t < 4; ++t) {
        m_actPathTypes[t] = entry(m_menuPathType, typeNames[t], {}, [ed, t] { ed->SetPathType(t); });
        m_actPathTypes[t]->setCheckable(true);
        types->addAction(m_actPathTypes[t]);
    }
    m_menuPath->addSeparator();
    m_actPathSave = entry(m_menuPath, "MenuPath_Save", {}, &TMainForm::PathSaveFile);
    m_actPathLoad = entry(m_menuPath, "MenuPath_Load", {}, &TMainForm::PathLoadFile);

    m_menuEvents = menu(nullptr, "MenuEvents");
    m_actViewEvents = entry(m_menuEvents, "MenuEvents_ViewEvents", {}, [this](bool on) {
        m_session->ShowEventMarkers = on;
        Repaint();
    });
    m_actViewEvents->setCheckable(true);
    m_actViewEvents->setChecked(true);

    for (QMenu* m : {m_menuEdit, m_menuItem, m_menuPath, m_menuEvents})
        connect(m, &QMenu::aboutToShow, this, &TMainForm::RefreshMenus);
}

namespace {
// The add-item buttons' pictures, drawn at twice the size for sharp screens: a film strip, a
// framed landscape, a letter and a layered stage.
QIcon AddItemIcon(int kind)
{
    QPixmap pixmap(44, 44);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor ink(0x34, 0x3E, 0x4F), accent(0x3B, 0x7B, 0xF0);
    p.setPen(QPen(ink, 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    switch (kind) {
    case 0:   // animation
        p.setBrush(QColor(0xE3, 0xEC, 0xFC));
        p.drawRoundedRect(QRectF(6, 8, 32, 28), 4, 4);
        p.setBrush(ink);
        for (int i = 0; i < 4; ++i) {
            p.drawRect(QRectF(10 + i * 7.5, 11, 2.5, 2.5));
            p.drawRect(QRectF(10 + i * 7.5, 30.5, 2.5, 2.5));
        }
        p.setBrush(accent);
        p.setPen(Qt::NoPen);
        p.drawPolygon(QPolygonF({QPointF(18, 16.5), QPointF(28, 22), QPointF(18, 27.5)}));
        break;
    case 1:   // image
        p.setBrush(QColor(0xE3, 0xEC, 0xFC));
        p.drawRoundedRect(QRectF(6, 8, 32, 28), 4, 4);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0xF5, 0xB8, 0x2E));
        p.drawEllipse(QPointF(29, 16), 3.5, 3.5);
        p.setBrush(accent);
        p.drawPolygon(QPolygonF({QPointF(9, 33), QPointF(18, 20), QPointF(25, 28), QPointF(29, 24), QPointF(35, 33)}));
        break;
    case 2: { // text
        QFont f(QStringLiteral("DejaVu Serif"));
        f.setBold(true);
        f.setPixelSize(32);
        p.setFont(f);
        p.setPen(ink);
        p.drawText(QRectF(0, 2, 44, 40), Qt::AlignCenter, QStringLiteral("T"));
        p.setPen(QPen(accent, 3, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(10, 39), QPointF(34, 39));
        break;
    }
    default:  // background
        p.setBrush(QColor(0xC9, 0xD6, 0xF0));
        p.drawRoundedRect(QRectF(12, 6, 26, 20), 3, 3);
        QLinearGradient fill(QPointF(0, 16), QPointF(0, 38));
        fill.setColorAt(0, QColor(0x7F, 0xAE, 0xF7));
        fill.setColorAt(1, accent);
        p.setBrush(fill);
        p.drawRoundedRect(QRectF(6, 16, 26, 20), 3, 3);
        break;
    }
    p.end();
    pixmap.setDevicePixelRatio(2);
    return QIcon(pixmap);
}
} // namespace

void TMainForm::BuildToolPanel()
{
    // One panel in a fixed tool bar: its buttons come and go (play gives way to stop) and the
    // panel's size always follows at once.
    m_toolBar = addToolBar(ButtonText("MainForm.MenuControls"));
    m_toolBar->setObjectName(QStringLiteral("UpperToolBar"));
    m_toolBar->setMovable(false);
    m_toolBar->setFloatable(false);
    m_toolBar->toggleViewAction()->setVisible(false);
    setContextMenuPolicy(Qt::NoContextMenu); // no menu to hide the only tool bar
    m_toolPanel = new QWidget;
    m_toolPanel->setObjectName(QStringLiteral("UpperToolPanel"));
    auto* row = new QHBoxLayout(m_toolPanel);
    row->setContentsMargins(2, 2, 2, 2);
    row->setSpacing(2);
    auto separator = [&] {
        auto* line = new QFrame;
        line->setFrameShape(QFrame::VLine);
        line->setFrameShadow(QFrame::Sunken);
        row->addSpacing(4);
        row->addWidget(line);
        row->addSpacing(4);
    };

    // The four add-item buttons: a new animation, image, text or background, as Insert does.
    static const char* const addNames[4] = {"BtnAddAnim", "BtnAddImage", "BtnAddText", "BtnAddBackground"};
    static const char* const addTexts[4] = {"MainForm.MenuItem_InsertAnimation", "MainForm.MenuItem_InsertImage",
                                            "MainForm.MenuItem_InsertText", "MainForm.MenuItem_InsertBackground"};
    for (int k = 0; k < 4; ++k) {
        auto* b = new QToolButton;
        b->setObjectName(QLatin1String(addNames[k]));
        b->setIcon(AddItemIcon(k));
        b->setIconSize(QSize(22, 22));
        b->setToolTip(ButtonText(addTexts[k]) + QStringLiteral(" (Ctrl+%1)").arg(k + 1));
        b->setFocusPolicy(Qt::NoFocus);
        b->setAutoRaise(true);
        connect(b, &QToolButton::pressed, this, [this] { m_editor->Deselect(); });
        connect(b, &QToolButton::clicked, this, [this, k] { InsertItem(k); });
        row->addWidget(b);
        m_addButtons[k] = b;
    }
    separator();

    m_sceneBox = new QComboBox;
    m_sceneBox->setObjectName(QStringLiteral("SceneCmb"));
    m_sceneBox->setToolTip(ButtonText("MainForm.MenuControls_GotoScene"));
    m_sceneBox->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_sceneBox->setMinimumContentsLength(16);
    m_sceneBox->setFocusPolicy(Qt::ClickFocus);
    connect(m_sceneBox, &QComboBox::activated, this, &TMainForm::SelectScene);
    row->addWidget(m_sceneBox);
    separator();

    QStyle* st = style();
    auto button = [&](const char* name, QStyle::StandardPixmap icon, const QString& text, bool withText) {
        auto* b = new QToolButton;
        b->setObjectName(QLatin1String(name));
        b->setIcon(st->standardIcon(icon));
        b->setText(text);
        b->setToolTip(text);
        b->setToolButtonStyle(withText ? Qt::ToolButtonTextBesideIcon : Qt::ToolButtonIconOnly);
        b->setFocusPolicy(Qt::NoFocus);
        b->setAutoRaise(true);
        row->addWidget(b);
        return b;
    };
    const QString stop = QStringLiteral("Stop");
    m_btnPlayBanner = button("BtnPlayBanner", QStyle::SP_MediaPlay, ButtonText("MainForm.MenuControls_Play"), true);
    m_btnStopBanner = button("BtnStopBanner", QStyle::SP_MediaStop, stop, true);
    m_btnPlayScene = button("BtnPlayScene", QStyle::SP_MediaPlay, ButtonText("MainForm.MenuControls_PlayScene"), true);
    m_btnStopScene = button("BtnStopScene", QStyle::SP_MediaStop, stop, true);
    m_btnRewind = button("BtnRewindBanner", QStyle::SP_MediaSkipBackward, ButtonText("MainForm.MenuControls_RewindScene"), false);
    separator();
    m_btnFrameBack = button("BtnFrameBack", QStyle::SP_MediaSeekBackward, QStringLiteral("Previous frame"), false);

    m_frameBox = new QLineEdit;
    m_frameBox->setObjectName(QStringLiteral("FrameNoMemo"));
    m_frameBox->setToolTip(TableText(QStringLiteral("MainForm.FrameNoMemo.Hint"), QStringLiteral("Frame")));
    m_frameBox->setAlignment(Qt::AlignCenter);
    // Whole frame numbers of at most seven digits (nearly five days of playback).
    m_frameBox->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("\\d{0,7}")), m_frameBox));
    m_frameBox->setMaxLength(7);
    m_frameBox->setFixedWidth(m_frameBox->fontMetrics().horizontalAdvance(QStringLiteral("0000000")) + 12);
    m_frameBox->installEventFilter(this);
    connect(m_frameBox, &QLineEdit::editingFinished, this, &TMainForm::ApplyFrameNo);
    connect(m_frameBox, &QLineEdit::returnPressed, this, [this] { m_stage->setFocus(); });
    row->addWidget(m_frameBox);
    m_btnFrameForward = button("BtnFrameForward", QStyle::SP_MediaSeekForward, QStringLiteral("Next frame"), false);
    row->addStretch(1);

    connect(m_btnPlayBanner, &QToolButton::clicked, this, &TMainForm::BannerPlay);
    connect(m_btnStopBanner, &QToolButton::clicked, this, &TMainForm::StopPlaying);
    connect(m_btnPlayScene, &QToolButton::clicked, this, &TMainForm::ScenePlay);
    connect(m_btnStopScene, &QToolButton::clicked, this, &TMainForm::StopPlaying);
    connect(m_btnRewind, &QToolButton::clicked, this, &TMainForm::RewindScene);
    // Frame steps act on press and repeat while held: they watch the mouse themselves.
    m_btnFrameBack->installEventFilter(this);
    m_btnFrameForward->installEventFilter(this);
    m_toolBar->addWidget(m_toolPanel);
}

void TMainForm::BuildStage()
{
    m_stageScroll = new QScrollArea;
    m_stageScroll->setObjectName(QStringLiteral("StageScrollBox"));
    m_stageScroll->setWidgetResizable(true);
    m_stageScroll->setFrameShape(QFrame::NoFrame);

    auto* host = new QWidget;
    host->setObjectName(QStringLiteral("StageHost"));
    host->setBackgroundRole(QPalette::Mid);
    host->setAutoFillBackground(true);
    // Centred while there is room, never closer than the margin to the top-left edge; the
    // scroll range is the stage plus the margins.
    auto* layout = new QGridLayout(host);
    layout->setContentsMargins(kStageMargin, kStageMargin, kStageMargin, kStageMargin);
    m_stage = new TStageWidget;
    layout->addWidget(m_stage, 0, 0, Qt::AlignCenter);
    m_stageScroll->setWidget(host);
    m_stageHost = host;
    // The stage above, room for the lower panels below.
    m_centre = new QWidget;
    m_centre->setObjectName(QStringLiteral("CentrePanel"));
    auto* column = new QVBoxLayout(m_centre);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(m_stageScroll, 1);
    setCentralWidget(m_centre);
    // A click beside the stage deselects.
    host->installEventFilter(this);
    m_stageScroll->viewport()->installEventFilter(this);

    m_stage->SetEditor(m_editor.get());
    m_stage->PaintOverlay = [this](QPainter& p) {
        TScene* scene = m_playback.Scene();
        if (m_playback.Playing || !scene)
            return;
        p.setClipRect(TStageRenderer::InnerStage(scene, m_project.StageWidth, m_project.StageHeight));
        if (m_editor->DrawingPath()) {
            m_editor->PaintPathEditor(p);
        } else if (TItemBase* selected = m_playback.Selected()) {
            TStageRenderer::DrawOverlay(p, selected, scene->Stage->CurrentColor, m_session->ShowEventMarkers,
                                        m_editor->HotBox());
        }
    };
    connect(m_stage, &TStageWidget::MouseMoved, this, &TMainForm::StageMouseMoved);
    connect(m_stage, &TStageWidget::MousePressed, this, &TMainForm::StageMousePressed);
    connect(m_stage, &TStageWidget::MouseReleased, this, &TMainForm::StageMouseReleased);
    connect(m_stage, &TStageWidget::DoubleClicked, this, &TMainForm::StageDoubleClicked);
    connect(m_stage, &TStageWidget::MouseLeft, this, &TMainForm::StageMouseLeft);
    connect(m_stage, &TStageWidget::KeyUsed, this, [this](int key) {
        if (key == Qt::Key_Tab || key == Qt::Key_Backtab)
            ScrollToSelection();
        ShowFrameNo();
    });
}

void TMainForm::SetLowerPanel(QWidget* panel)
{
    auto* column = static_cast<QVBoxLayout*>(m_centre->layout());
    while (column->count() > 1) {
        QLayoutItem* old = column->takeAt(1);
        if (old->widget())
            old->widget()->deleteLater();
        delete old;
    }
    if (panel)
        column->addWidget(panel, 0);
}

void TMainForm::RestoreBounds()
{
    const Settings& s = settings();
    QRect r(s.FormLeft, s.FormTop, std::max(s.FormWidth, 320), std::max(s.FormHeight, 240));
    // Bounds saved on a larger or another screen must not put the window out of reach.
    if (const QScreen* screen = QApplication::primaryScreen()) {
        const QRect avail = screen->availableGeometry();
        r.setWidth(std::min(r.width(), avail.width()));
        r.setHeight(std::min(r.height(), avail.height()));
        if (!avail.intersects(r.adjusted(0, 0, -r.width() / 2, -r.height() / 2)))
            r.moveCenter(avail.center());
    }
    resize(r.size());
    move(r.topLeft());
}

void TMainForm::StoreBounds()
{
    Settings& s = settings();
    const QRect r = (isMaximized() || isFullScreen() || isMinimized()) ? normalGeometry() : QRect(pos(), size());
    if (r.isEmpty())
        return;
    s.FormLeft = r.left();
    s.FormTop = r.top();
    s.FormWidth = r.width();
    s.FormHeight = r.height();
}

// ---------------------------------------------------------------------------------------------
// Showing the document

void TMainForm::DocumentChanged()
{
    // The scenes the playback pointed at may be gone; start from the project's first scene.
    m_renderer.InvalidateBackground();
    m_editor->CancelPathDrawing();
    m_session->DocumentReset();
    m_playback.SetSelected(nullptr);
    m_playback.LogicalSetScene(nullptr);
    m_playback.SetCurTimeLine(0);
    m_playback.SetScene(Doc().SceneCount() > 0 ? Doc().Scene(0) : nullptr);
    m_playback.RecomputeFrame();
    RefillSceneBox();
    UpdateCaption();
    ShowFrameNo();
    RefreshMenus();
    Repaint();
}

void TMainForm::Repaint()
{
    TStageView view;
    view.playing = m_playback.Playing;
    view.selected = m_playback.Selected();
    view.showEventMarkers = m_session->ShowEventMarkers;
    view.backgroundChosen = m_session->BackgroundSelected();
    view.hotBox = m_editor->HotBox();
    view.overlay = false;   // drawn by the stage widget over the frame
    view.hoverCursor = m_playback.Playing && m_mouseOverStage ? m_playback.HoverCursor : nullptr;
    view.mouse = m_mouse;
    // A clickable item without a cursor picture of its own shows the pointing hand.
    const bool hand = m_playback.Playing && m_mouseOverStage && m_playback.HoverClickable && !view.hoverCursor;
    if (m_playback.Playing)
        m_stage->setCursor(hand ? Qt::PointingHandCursor : Qt::ArrowCursor);
    m_renderer.Compose(m_stage->Frame(), m_playback.Scene(), m_project.StageWidth, m_project.StageHeight, view);
    m_stage->FrameReady();
}

void TMainForm::ShowFrameNo()
{
    m_frameBox->setText(QString::number(m_playback.Playing ? m_playback.PlayFrame : m_playback.CurFrame));
}

void TMainForm::UpdateCaption()
{
    const TScene* scene = m_playback.Scene();
    // The same words as the cast list's count, which updates it as items come and go.
    m_itemCount->setText(CastPaging::ItemCountText(scene ? scene->ItemCount() : 0));
    setWindowTitle(GetString(QStringLiteral("MainForm"), QLatin1String(kProductName),
                             scene ? scene->Name : QString(), m_project.Title));
}

void TMainForm::RefillSceneBox()
{
    const QSignalBlocker block(m_sceneBox);
    m_sceneBox->clear();
    for (int i = 0; i < Doc().SceneCount(); ++i)
        m_sceneBox->addItem(Doc().Scene(i)->Name);
    m_sceneBox->setCurrentIndex(Doc().IndexOfScene(m_playback.Scene()));
}

void TMainForm::UpdatePlayControls()
{
    const bool playing = m_playback.Playing;
    const bool banner = playing && m_clock->PlayingWholeKavelin();
    m_btnPlayBanner->setVisible(!banner);
    m_btnStopBanner->setVisible(banner);
    m_btnPlayScene->setVisible(!playing || banner);
    m_btnStopScene->setVisible(playing && !banner);
    for (QToolButton* b : {m_btnPlayBanner, m_btnPlayScene, m_btnRewind, m_btnFrameBack, m_btnFrameForward})
        b->setEnabled(!playing);
    for (QToolButton* b : m_addButtons)
        b->setEnabled(!playing);
    m_sceneBox->setEnabled(!playing);
    // During playback the box shows the frame reached; clicking it only takes the focus away.
    m_frameBox->setReadOnly(playing);
    m_frameBox->setFocusPolicy(playing ? Qt::NoFocus : Qt::StrongFocus);
    for (QMenu* menu : m_menus) {
        menu->menuAction()->setEnabled(!playing);
        for (QAction* a : menu->actions())
            a->setEnabled(!playing);
    }
    if (!playing)
        RefreshMenus();
}

// ---------------------------------------------------------------------------------------------
// Playback

void TMainForm::BannerPlay() { StartPlaying(true); }
void TMainForm::ScenePlay() { StartPlaying(false); }

void TMainForm::StartPlaying(bool wholeKavelin)
{
    if (m_playback.Playing)
        return;
    // Focus leaves any control first, so a frame number being typed is applied.
    m_stage->setFocus();
    m_editor->CancelPathDrawing();
    m_frameButton = nullptr;
    m_frameButtonPressTime.reset();
    m_timeLineTimer.stop();
    m_clock->Start(wholeKavelin);
    if (m_playback.Playing && m_mouseOverStage)
        m_playback.Hover(m_mouse);
    UpdatePlayControls();
    ShowFrameNo();
    Repaint();
}

void TMainForm::StopPlaying()
{
    if (!m_playback.Playing)
        return;
    m_clock->Stop();
    UpdatePlayControls();
    ShowFrameNo();
    Repaint();
}

void TMainForm::TogglePlay()
{
    if (m_playback.Playing)
        StopPlaying();
    else
        BannerPlay();
}

void TMainForm::PlayTimerTimer() { m_clock->Tick(); }

void TMainForm::Ticked()
{
    if (m_mouseOverStage)
        m_playback.Hover(m_mouse);
    ShowFrameNo();
    Repaint();
}

void TMainForm::RewindScene()
{
    if (m_playback.Playing)
        return;
    if (m_playback.RewindScene()) {
        ShowFrameNo();
        Repaint();
    }
}

void TMainForm::RewindBanner()
{
    if (m_playback.Playing)
        return;
    if (m_playback.RewindBanner()) {
        ShowFrameNo();
        Repaint();
    }
}

void TMainForm::SelectScene(int index)
{
    if (m_playback.Playing || index < 0 || index >= Doc().SceneCount())
        return;
    m_playback.SetScene(Doc().Scene(index));
    m_playback.RecomputeFrame();
    ShowFrameNo();
    Repaint();
}

void TMainForm::ApplyFrameNo()
{
    if (m_playback.Playing)
        return;
    // An empty box means frame 0; the validator lets nothing but digits in.
    bool ok = false;
    const int frame = m_frameBox->text().isEmpty() ? 0 : m_frameBox->text().toInt(&ok);
    if (ok || m_frameBox->text().isEmpty()) {
        m_playback.SetCurTimeLine(frame);
        m_playback.RecomputeFrame();
        Repaint();
    }
    ShowFrameNo();
}

void TMainForm::FrameButtonDown(QToolButton* button)
{
    if (m_playback.Playing || !button->isEnabled())
        return;
    if (button == m_btnFrameBack) {
        if (m_playback.CurFrame <= 0)
            return;
        m_playback.StepBack(1);
    } else {
        m_playback.StepForward(1);
    }
    m_frameButton = button;
    m_frameButtonPressTime = Now();
    m_timeLineTimer.start();
    ShowFrameNo();
    Repaint();
}

void TMainForm::FrameButtonUp()
{
    m_frameButton = nullptr;
    m_frameButtonPressTime.reset();
    m_timeLineTimer.stop();
}

void TMainForm::TimerTimeLineTimer()
{
    if (!m_frameButton || !m_frameButtonPressTime || m_playback.Playing)
        return;
    const int x = m_frameButtonX;
    if (m_frameButton == m_btnFrameBack) {
        if (m_playback.CurFrame <= 0)
            return;
        // Dragging left of the button runs back faster, by a frame per 10 pixels.
        m_playback.StepBack(x <= -kFarFromButton ? -x / 10 : 1);
    } else {
        if (Now() - *m_frameButtonPressTime < kForwardRepeatDelay)
            return;
        const int beyond = x - m_frameButton->width();
        m_playback.StepForward(beyond >= kFarFromButton ? beyond / 10 : 1);
    }
    ShowFrameNo();
    Repaint();
}

// ---------------------------------------------------------------------------------------------
// The stage's mouse

void TMainForm::StageMouseMoved(QPoint at, Qt::MouseButtons buttons)
{
    m_mouse = at;
    m_mouseOverStage = true;
    if (!m_playback.Playing) {
        m_editor->MouseMove(at, buttons);
        m_stage->UpdateCursor(at);
        const int hint = m_editor->HintAt(at);
        if (hint != m_hint) {
            m_hint = hint;
            statusBar()->showMessage(HintText(hint));
        }
        return;
    }
    m_playback.Hover(at);
    Repaint();
}

void TMainForm::StageMousePressed(QPoint at, Qt::MouseButton button, Qt::KeyboardModifiers mods)
{
    if (m_playback.Playing)
        return;
    // The keys go to the stage, not to a box of the tool panel.
    m_stage->setFocus();
    m_editor->MouseDown(at, button, mods);
    m_stage->UpdateCursor(at);
}

void TMainForm::StageMouseReleased(QPoint at, Qt::MouseButton button)
{
    if (!m_playback.Playing) {
        m_editor->MouseUp(at, button);
        m_stage->UpdateCursor(at);
        return;
    }
    if (button != Qt::LeftButton)
        return;
    m_playback.Click(at);
    m_playback.Hover(at);
    ShowFrameNo();
    Repaint();
}

void TMainForm::StageDoubleClicked(QPoint at)
{
    if (!m_playback.Playing)
        m_editor->DoubleClick(at);
}

void TMainForm::StageMouseLeft()
{
    m_mouseOverStage = false;
    if (m_playback.Playing)
        Repaint();
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_btnFrameBack || watched == m_btnFrameForward) {
        auto* button = static_cast<QToolButton*>(watched);
        switch (event->type()) {
        // The second press of a quick double click is a step of its own.
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick: {
            auto* me = static_cast<QMouseEvent*>(event);
            if (me->button() == Qt::LeftButton) {
                m_frameButtonX = int(me->position().x());
                FrameButtonDown(button);
            }
            break;
        }
        case QEvent::MouseMove:
            m_frameButtonX = int(static_cast<QMouseEvent*>(event)->position().x());
            break;
        case QEvent::MouseButtonRelease:
            if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
                FrameButtonUp();
            break;
        default:
            break;
        }
    } else if (watched == m_stageHost || (m_stageScroll && watched == m_stageScroll->viewport())) {
        if (event->type() == QEvent::MouseButtonPress && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton &&
            !m_playback.Playing && !m_editor->DrawingPath()) {
            m_stage->setFocus();
            m_editor->Deselect();
        }
    } else if (watched == m_frameBox) {
        if (event->type() == QEvent::MouseButtonPress && m_playback.Playing) {
            m_stage->setFocus();
            return true;
        }
        // The box would swallow Space as a typed (and refused) character; it plays instead.
        if (event->type() == QEvent::ShortcutOverride && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Space) {
            event->ignore();
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

// ---------------------------------------------------------------------------------------------
// Editing

void TMainForm::SessionChanged()
{
    const bool waiting = m_editor->DrawingPath() && m_editor->PathEditor.State == pesWaiting;
    if (waiting && !m_blinkTimer.isActive())
        m_blinkTimer.start();
    else if (!waiting)
        m_blinkTimer.stop();
    ShowFrameNo();
    UpdateCaption();
    RefreshMenus();
    RefreshLowerPanel();
    Repaint();
}

void TMainForm::RefreshMenus()
{
    if (!m_actUndo || m_playback.Playing)
        return;
    const TEditSession& s = *m_session;
    const TItemBase* item = s.CurrentItem();
    const bool path = m_editor->DrawingPath();
    m_actUndo->setText(s.Undo.UndoCaption());
    m_actUndo->setEnabled(s.Undo.CanUndo() && !path);
    m_actRedo->setText(s.Undo.RedoCaption());
    m_actRedo->setEnabled(s.Undo.CanRedo() && !path);
    m_actCut->setEnabled(item && !path);
    m_actCopy->setEnabled(item && !path);
    m_actPaste->setEnabled(m_editor->CanPaste() && !path);

    const TScene* scene = m_playback.Scene();
    const bool background = s.BackgroundSelected() && scene && !scene->Stage->BackgroundImage.isEmpty();
    m_actDelete->setText(GetText(QStringLiteral("MainForm.MenuItem_Delete")) + QStringLiteral("\tDel"));
    m_actDelete->setEnabled((item || background) && !path);
    m_actDuplicate->setEnabled(item && !path);
    m_actDeselect->setEnabled(s.AnythingSelected() || path);
    m_menuOrder->menuAction()->setEnabled(item && !path);
    for (QAction* a : m_menuOrder->actions())
        a->setEnabled(item && !path);
    m_actCenter->setEnabled(item && s.SelectMode() == selBody && !path);

    const TPathMenuState pm = m_editor->PathMenu();
    m_actPathCreate->setText(GetText(pm.Continue ? QStringLiteral("MainForm.MenuPath_Continue")
                                                 : QStringLiteral("MainForm.MenuPath_Create")));
    m_actPathCreate->setEnabled(pm.CanCreate && !path);
    for (QAction* a : {m_actPathRemove, m_actPathReverse, m_actPathTrim, m_actPathSave})
        a->setEnabled(pm.HasPath && !path);
    m_actPathStraighten->setEnabled(pm.CanStraighten && !path);
    m_actPathLoad->setEnabled(pm.CanCreate && !path);
    m_menuPathType->menuAction()->setEnabled(pm.HasPath && !path);
    for (int t = 0; t < 4; ++t) {
        m_actPathTypes[t]->setEnabled(pm.HasPath && !path);
        m_actPathTypes[t]->setChecked(t == pm.CheckedType);
    }
    m_actViewEvents->setChecked(s.ShowEventMarkers);
    RefreshItemValueMenu();
}

void TMainForm::EditUndo() { UndoOrRedo(true); }
void TMainForm::EditRedo() { UndoOrRedo(false); }

void TMainForm::UndoOrRedo(bool undo)
{
    if (m_playback.Playing || m_editor->DrawingPath())
        return;
    try {
        m_renderer.InvalidateBackground();
        if (undo)
            m_session->UndoStep();
        else
            m_session->RedoStep();
    } catch (const std::exception& e) {
        ShowError(QString::fromStdString(e.what()));
    }
    RefillSceneBox();
    SessionChanged();
}

void TMainForm::EditCut()
{
    if (!m_playback.Playing && !m_editor->DrawingPath())
        m_editor->Cut();
}

void TMainForm::EditCopy()
{
    if (!m_playback.Playing && !m_editor->DrawingPath())
        m_editor->Copy();
}

void TMainForm::EditPaste()
{
    if (!m_playback.Playing && !m_editor->DrawingPath())
        m_editor->Paste();
}

void TMainForm::ScrollToSelection()
{
    QScrollBar* h = m_stageScroll->horizontalScrollBar();
    QScrollBar* v = m_stageScroll->verticalScrollBar();
    const QPoint origin = m_stage->pos();
    const QPoint pos(h->value() - origin.x(), v->value() - origin.y());
    const QPoint to = m_editor->ScrollStage(pos, m_stageScroll->viewport()->size());
    if (to != pos) {
        h->setValue(to.x() + origin.x());
        v->setValue(to.y() + origin.y());
    }
}

QString TMainForm::PathDialog(bool save)
{
    const QString filter = QStringLiteral("Path File (*.pth)");
    QFileDialog dialog(this, save ? QStringLiteral("Save Path As") : QStringLiteral("Load a path"), settings().PathDir);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setNameFilter(filter);
    dialog.setDefaultSuffix(QStringLiteral("pth"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

void TMainForm::PathLoadFile()
{
    if (!m_session->CurrentItem() || !AskPathFile)
        return;
    QString file = AskPathFile(false);
    if (file.isEmpty())
        return;
    if (QFileInfo(file).suffix().isEmpty())
        file += QStringLiteral(".pth");
    settings().PathDir = QFileInfo(file).absolutePath();
    try {
        m_editor->LoadPath(file);
    } catch (const std::exception& e) {
        ShowError(QString::fromStdString(e.what()));
    }
}

void TMainForm::PathSaveFile()
{
    if (!m_editor->PathMenu().HasPath || !AskPathFile)
        return;
    QString file = AskPathFile(true);
    if (file.isEmpty())
        return;
    if (QFileInfo(file).suffix().isEmpty())
        file += QStringLiteral(".pth");
    settings().PathDir = QFileInfo(file).absolutePath();
    try {
        m_editor->SavePath(file);
    } catch (const std::exception& e) {
        ShowError(QString::fromStdString(e.what()));
    }
}

// ---------------------------------------------------------------------------------------------
// Files

bool TMainForm::IsProjectFile(const QString& file)
{
    return QFileInfo(file).suffix().compare(QLatin1String("plt"), Qt::CaseInsensitive) == 0;
}

bool TMainForm::SaveChangesOk()
{
    if (!m_project.Modified())
        return true;
    switch (AskSaveChanges()) {
    case SaveAnswer::Yes: return FileSave();
    case SaveAnswer::No: return true;
    case SaveAnswer::Cancel: break;
    }
    return false;
}

bool TMainForm::FileNew()
{
    StopPlaying();
    if (!SaveChangesOk())
        return false;
    try {
        BusyCursor busy;
        m_project.New();
    } catch (const std::exception& e) {
        ShowError(QString::fromStdString(e.what()));
        return false;
    }
    DocumentChanged();
    return true;
}

bool TMainForm::FileOpen()
{
    StopPlaying();
    if (!SaveChangesOk())
        return false;
    const QString file = AskOpenFile();
    if (file.isEmpty())
        return false;
    return OpenFile(file, true);
}

bool TMainForm::OpenFile(const QString& file, bool fromDialog)
{
    StopPlaying();
    if (fromDialog)
        settings().CardOpenDir = QFileInfo(file).absolutePath();
    try {
        if (RunLoad) {
            RunLoad(file, [this, &file] { m_project.Open(file); });
        } else {
            BusyCursor busy;
            m_project.Open(file);
        }
    } catch (const UserError& e) {
        ShowError(e.message());
        return false;
    } catch (const std::exception& e) {
        ShowError(QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(file), QString::fromStdString(e.what())));
        return false;
    }
    DocumentChanged();
    return true;
}

bool TMainForm::FileSave()
{
    StopPlaying();
    if (m_project.FileName.isEmpty())
        return FileSaveAs();
    try {
        BusyCursor busy;
        m_project.Save();
    } catch (const std::exception& e) {
        ShowError(QString::fromStdString(e.what()));
        return false;
    }
    UpdateCaption();
    return true;
}

bool TMainForm::FileSaveAs()
{
    StopPlaying();
    const QString file = AskSaveFile();
    if (file.isEmpty())
        return false;
    settings().CardSaveDir = QFileInfo(file).absolutePath();
    try {
        BusyCursor busy;
        m_project.SaveAs(file);
    } catch (const std::exception& e) {
        ShowError(QString::fromStdString(e.what()));
        return false;
    }
    UpdateCaption();
    return true;
}

QString TMainForm::OpenDialog()
{
    QFileDialog dialog(this, GetText(QStringLiteral("OpenDialog.Title")), CardDialogFolder(false));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilter(ToQtFileFilter(GetText(QStringLiteral("OpenDialog.Filter"))));
    if (!m_project.FileName.isEmpty())
        dialog.selectFile(m_project.FileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

QString TMainForm::SaveDialog()
{
    QFileDialog dialog(this, GetText(QStringLiteral("SaveDialog.Title")), CardDialogFolder(true));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(ToQtFileFilter(GetText(QStringLiteral("SaveDialog.Filter"))));
    dialog.setDefaultSuffix(QStringLiteral("plt"));
    if (!m_project.FileName.isEmpty())
        dialog.selectFile(QFileInfo(m_project.FileName).fileName());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

TMainForm::SaveAnswer TMainForm::AskSaveChangesBox()
{
    TSaveMsgForm box(this);
    switch (box.exec()) {
    case TSaveMsgForm::mrOk: return SaveAnswer::Yes;
    case TSaveMsgForm::mrNo: return SaveAnswer::No;
    default: return SaveAnswer::Cancel;
    }
}

void TMainForm::ShowErrorBox(const QString& message)
{
    ::kav::ShowErrorBox(message);
}

// ---------------------------------------------------------------------------------------------
// Window events

void TMainForm::closeEvent(QCloseEvent* event)
{
    StopPlaying();
    if (!SaveChangesOk()) {
        event->ignore();
        return;
    }
    StoreBounds();
    try {
        SaveSettings();
    } catch (const UserError& e) {
        // The preferences are lost, the program still ends.
        ShowError(e.message());
    }
    event->accept();
}

void TMainForm::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::WindowStateChange && isMinimized())
        StopPlaying();
    QMainWindow::changeEvent(event);
}

void TMainForm::dragEnterEvent(QDragEnterEvent* event)
{
    if (!LocalProjectFile(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void TMainForm::dropEvent(QDropEvent* event)
{
    const QString file = LocalProjectFile(event->mimeData());
    if (file.isEmpty())
        return;
    event->acceptProposedAction();
    StopPlaying();
    // Questions and errors must not run inside the drop: the dragging program waits for it.
    QTimer::singleShot(0, this, [this, file] {
        if (SaveChangesOk())
            OpenFile(file);
    });
}

} // namespace kav
