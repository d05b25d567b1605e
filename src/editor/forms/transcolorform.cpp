#include "editor/forms/transcolorform.h"

#include "core/colors.h"
#include "document/document.h"
#include "editor/editsession.h"
#include "editor/forms/propertypanels.h"
#include "editor/itemcommands.h"
#include "ui/forms/bmpbutton.h"
#include "ui/forms/msgform.h"
#include "ui/langstrings.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>

namespace kav {

namespace {

// The colour sample: a framed swatch with a light checker under it, as picking a colour that
// will turn into transparency.
class TSample : public QWidget {
public:
    explicit TSample(QWidget* parent) : QWidget(parent) { setCursor(Qt::PointingHandCursor); }
    QColor color = Qt::green;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
        p.setPen(QPen(QColor(0x9A, 0xA4, 0xB2), 1));
        p.setBrush(color);
        p.drawRoundedRect(r, 6, 6);
        p.setPen(QPen(QColor(255, 255, 255, 160), 1));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(r.adjusted(1.5, 1.5, -1.5, -1.5), 5, 5);
    }
};

bool ComponentKey(QKeyEvent* e)
{
    const QString t = e->text();
    if (t.isEmpty() || !t[0].isPrint())
        return true;
    const QChar c = t[0];
    return c.isDigit() || c == QLatin1Char('.') || c == QLatin1Char('+') || c == QLatin1Char('-');
}

} // namespace

TTransColorForm::TTransColorForm(QWidget* parent) : TStdPeltoForm(parent)
{
    setObjectName(QStringLiteral("TransColorForm"));
    setWindowTitle(QStringLiteral("Transparent Color"));
    StdLabelTitle->setText(QStringLiteral("Transparent Color"));
    const char* names[3] = {"R", "G", "B"};
    QLineEdit** boxes[3] = {&Rbox, &Gbox, &Bbox};
    for (int i = 0; i < 3; ++i) {
        auto* label = new QLabel(QString::fromLatin1(names[i]), this);
        label->setObjectName(QStringLiteral("Label") + QLatin1String(names[i]));
        QFont f = label->font();
        f.setBold(true);
        label->setFont(f);
        label->setGeometry(28, 56 + i * 34, 16, 26);
        auto* box = new QLineEdit(this);
        box->setObjectName(QString::fromLatin1(names[i]) + QStringLiteral("box"));
        box->setMaxLength(3);
        box->setAlignment(Qt::AlignRight);
        box->setGeometry(48, 56 + i * 34, 56, 26);
        box->installEventFilter(this);
        connect(box, &QLineEdit::editingFinished, this, [this] { ApplyEdits(); });
        *boxes[i] = box;
    }
    auto* sample = new TSample(this);
    sample->setObjectName(QStringLiteral("Sample"));
    sample->setGeometry(124, 56, 112, 94);
    sample->installEventFilter(this);
    Sample = sample;
    ColorsComboBox = new QComboBox(this);
    ColorsComboBox->setObjectName(QStringLiteral("ColorsComboBox"));
    ColorsComboBox->setGeometry(28, 164, 208, 26);
    connect(ColorsComboBox, qOverload<int>(&QComboBox::activated), this, [this](int index) {
        uint32_t c = 0;
        if (TColorHistory::Parse(ColorsComboBox->itemText(index), c))
            SetColor(c);
    });
    resize(270, 286);
}

void TTransColorForm::SetColor(uint32_t color)
{
    m_color = color & 0x00FFFFFF;
    Rbox->setText(QString::number(m_color & 0xFF));
    Gbox->setText(QString::number((m_color >> 8) & 0xFF));
    Bbox->setText(QString::number((m_color >> 16) & 0xFF));
    static_cast<TSample*>(Sample)->color = ToQColor(m_color);
    Sample->update();
    ShowInHistory();
}

void TTransColorForm::ShowInHistory()
{
    TColorHistory& history = TransColorHistory();
    const int at = history.Add(m_color);
    if (ColorsComboBox->count() != history.Entries().size()) {
        ColorsComboBox->clear();
        ColorsComboBox->addItems(history.Entries());
    }
    ColorsComboBox->setCurrentIndex(at);
}

void TTransColorForm::ApplyEdits()
{
    uint32_t c = 0;
    QLineEdit* boxes[3] = {Rbox, Gbox, Bbox};
    for (int i = 0; i < 3; ++i)
        c |= uint32_t(ColorComponentFromText(boxes[i]->text())) << (8 * i);
    SetColor(c);
}

bool TTransColorForm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == Sample && event->type() == QEvent::MouseButtonRelease) {
        uint32_t c = m_color;
        if (ChooseColor(c, this))
            SetColor(c);
        return true;
    }
    auto* box = qobject_cast<QLineEdit*>(watched);
    if (box && (box == Rbox || box == Gbox || box == Bbox) && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            ApplyEdits();
            return true;
        }
        if (key->key() == Qt::Key_Plus || key->key() == Qt::Key_Minus) {
            bool ok = false;
            const int v = box->text().trimmed().toInt(&ok);
            box->setText(QString::number(std::clamp((ok ? v : 0) + (key->key() == Qt::Key_Plus ? 1 : -1), 0, 255)));
            return true;
        }
        if (!ComponentKey(key))
            return true;
    }
    return TStdPeltoForm::eventFilter(watched, event);
}

bool TTransColorForm::Execute(uint32_t& color)
{
    SetColor(color);
    if (exec() != mrOk)
        return false;
    ApplyEdits();
    TransColorHistory().Add(m_color);
    color = m_color;
    return true;
}

void EditTransparentColor(TEditSession& session, QWidget* parent)
{
    if (!ItemCommands::TransparentColorAllowed()) {
        MessageBox(QStringLiteral("Warning"), GetString(QStringLiteral("Warning.ModifyTransparentColor")));
        return;
    }
    TTransColorForm form(parent);
    uint32_t color = Doc().TransparentColor & 0x00FFFFFF;
    if (form.Execute(color))
        ItemCommands::SetTransparentColor(session, color);
}

} // namespace kav
