#include "ui/forms/debugform.h"

#include "core/debugobject.h"
#include "ui/forms/languageforms.h"

#include <QCheckBox>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace kav {

TDebugForm::TDebugForm(QWidget* parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("DebugForm"));
    setWindowTitle(QStringLiteral("Kavelins Debug"));

    LabelCount = new QLabel(this);
    LabelCount->setObjectName(QStringLiteral("LabelCount"));
    QFont big = LabelCount->font();
    big.setPixelSize(18);
    big.setBold(true);
    LabelCount->setFont(big);
    LabelCount->setMinimumWidth(90);
    LabelCount->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    LabelCount->setToolTip(QStringLiteral("Document objects alive now"));

    CheckCreation = new QCheckBox(QStringLiteral("Creation"), this);
    CheckCreation->setObjectName(QStringLiteral("CheckCreation"));
    CheckStart = new QCheckBox(QStringLiteral("Start"), this);
    CheckStart->setObjectName(QStringLiteral("CheckStart"));
    CheckStart->setChecked(true);
    BtnClear = new QPushButton(QStringLiteral("Clear"), this);
    BtnClear->setObjectName(QStringLiteral("BtnClear"));
    BtnObjects = new QPushButton(QStringLiteral("Objects"), this);
    BtnObjects->setObjectName(QStringLiteral("BtnObjects"));
    BtnList = new QPushButton(QStringLiteral("List"), this);
    BtnList->setObjectName(QStringLiteral("BtnList"));
    MemoLog = new QPlainTextEdit(this);
    MemoLog->setObjectName(QStringLiteral("MemoLog"));
    MemoLog->setReadOnly(true);
    MemoLog->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    MemoLog->setMaximumBlockCount(20000);   // a long session must not eat the memory
    MemoLog->setLineWrapMode(QPlainTextEdit::NoWrap);

    auto* live = new QLabel(QStringLiteral("Live objects"), this);
    live->setObjectName(QStringLiteral("LabelLive"));
    auto* top = new QHBoxLayout;
    top->addWidget(live);
    top->addWidget(LabelCount);
    top->addStretch(1);
    top->addWidget(CheckCreation);
    top->addWidget(CheckStart);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(BtnClear);
    buttons->addWidget(BtnObjects);
    buttons->addWidget(BtnList);
    buttons->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(MemoLog, 1);
    layout->addLayout(buttons);
    resize(420, 360);

    connect(CheckCreation, &QCheckBox::toggled, this, [](bool on) { TDebugObject::SetCreationLogging(on); });
    connect(BtnClear, &QPushButton::clicked, MemoLog, &QPlainTextEdit::clear);
    connect(BtnObjects, &QPushButton::clicked, this, &TDebugForm::Objects);
    connect(BtnList, &QPushButton::clicked, this, &TDebugForm::List);
    TDebugObject::SetLogSink([this](const QString& line) { Log(line); });

    // The counter follows the document while the window is up; a hidden window costs nothing.
    m_countTimer.setInterval(250);
    connect(&m_countTimer, &QTimer::timeout, this, &TDebugForm::UpdateCount);
    UpdateCount();
    LocaliseForm(this);
}

TDebugForm::~TDebugForm()
{
    TDebugObject::SetCreationLogging(false);
    TDebugObject::SetLogSink(nullptr);
}

void TDebugForm::UpdateCount()
{
    const QString text = QLocale().toString(qlonglong(TDebugObject::counters().live));
    if (LabelCount->text() != text)
        LabelCount->setText(text);
}

void TDebugForm::Log(const QString& line)
{
    if (CheckStart->isChecked())
        MemoLog->appendPlainText(line);
}

void TDebugForm::Objects()
{
    const TDebugObject::Counters c = TDebugObject::counters();
    const QLocale locale;
    MemoLog->appendPlainText(QStringLiteral("Live objects: %1, created since start: %2, live bytes: %3")
                                 .arg(locale.toString(qlonglong(c.live)), locale.toString(qlonglong(c.created)),
                                      locale.toString(qlonglong(c.liveBytes))));
}

void TDebugForm::List()
{
    if (!TDebugObject::CreationLogging()) {
        MemoLog->appendPlainText(QStringLiteral("Tick \"Creation\" first: only objects created while it is on are listed."));
        return;
    }
    const QList<TDebugObject::LiveEntry> live = TDebugObject::LiveObjects();
    MemoLog->appendPlainText(QStringLiteral("%1 objects created since \"Creation\" was ticked are alive:").arg(live.size()));
    for (const TDebugObject::LiveEntry& e : live)
        MemoLog->appendPlainText(QStringLiteral("  %1 # %2").arg(e.className).arg(e.creationNo));
}

void TDebugForm::showEvent(QShowEvent* event)
{
    UpdateCount();
    m_countTimer.start();
    QWidget::showEvent(event);
}

void TDebugForm::hideEvent(QHideEvent* event)
{
    m_countTimer.stop();
    QWidget::hideEvent(event);
}

} // namespace kav
