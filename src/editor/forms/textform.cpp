#include "editor/forms/textform.h"

#include "config/settings.h"
#include "document/item.h"
#include "document/itemtext.h"
#include "editor/forms/eventdialogs.h"
#include "ui/forms/bmpbutton.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextEdit>
#include <QTimer>

#include <algorithm>

namespace kav {

namespace {
constexpr int kDefaultSize = 18;
constexpr int kLargestSize = 200;
const int kSizes[] = {8, 10, 12, 14, 16, 18, 20, 22, 24, 26, 28, 36, 48, 60, 72, 96, 120, 144, 168, 192};
constexpr int kHelpMemo = 12121, kHelpFont = 12122, kHelpSize = 12123, kHelpWindow = 12120;

// The memo's alignment buttons in the order of the stored values: left 0, right 1, centre 2.
Qt::Alignment MemoAlignment(int align)
{
    return align == taCenter ? Qt::AlignHCenter : align == taRightJustify ? Qt::AlignRight : Qt::AlignLeft;
}
} // namespace

TTextForm::TTextForm(QWidget* parent) : TStdPeltoForm(parent)
{
    setObjectName(QStringLiteral("TextForm"));
    setWindowTitle(QStringLiteral("Text Window"));
    StdLabelTitle->setText(QStringLiteral("Text Window"));
    SetHelpContext(kHelpWindow);

    CBoxFont = new QComboBox(this);
    CBoxFont->setObjectName(QStringLiteral("CBoxFont"));
    for (const TFontNames& f : FontList())
        CBoxFont->addItem(f.FontDisplayName);
    CBoxFont->setGeometry(16, 44, 190, 28);
    CBoxFont->setProperty("HelpContext", kHelpFont);
    connect(CBoxFont, &QComboBox::currentIndexChanged, this, [this] { UpdateMemoFont(); });

    CBoxSize = new QComboBox(this);
    CBoxSize->setObjectName(QStringLiteral("CBoxSize"));
    CBoxSize->setEditable(true);
    CBoxSize->setInsertPolicy(QComboBox::NoInsert);
    for (int s : kSizes)
        CBoxSize->addItem(QString::number(s));
    // Only digits (and Backspace) are typed into the size.
    CBoxSize->lineEdit()->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,4}")), CBoxSize));
    CBoxSize->setGeometry(212, 44, 66, 28);
    CBoxSize->setProperty("HelpContext", kHelpSize);
    CBoxSize->lineEdit()->setProperty("HelpContext", kHelpSize);
    connect(CBoxSize, &QComboBox::editTextChanged, this, [this](const QString& t) { SizeEdited(t); });

    auto toggle = [this](const char* name, const char* face, int x) {
        TBmpButton* b = eventdialogs::MakeButton(this, name, QString(), QLatin1String(face));
        b->move(x, 44);
        return b;
    };
    BtnBold = toggle("BtnBold", "Bold", 290);
    BtnItalic = toggle("BtnItalic", "Italic", 320);
    BtnAlignLeft = toggle("BtnAlignLeft", "AlignLeft", 362);
    BtnAlignCenter = toggle("BtnAlignCenter", "AlignCenter", 392);
    BtnAlignRight = toggle("BtnAlignRight", "AlignRight", 422);
    for (TBmpButton* b : {BtnBold, BtnItalic}) {
        b->ClickBackUp = true;
        b->SetStayDown(true);
        connect(b, &TBmpButton::OnClick, this, [this] { UpdateMemoFont(); });
    }
    for (TBmpButton* b : {BtnAlignLeft, BtnAlignCenter, BtnAlignRight})
        b->SetStayDown(true);
    connect(BtnAlignLeft, &TBmpButton::OnClick, this, [this] { SetAlign(taLeftJustify); });
    connect(BtnAlignCenter, &TBmpButton::OnClick, this, [this] { SetAlign(taCenter); });
    connect(BtnAlignRight, &TBmpButton::OnClick, this, [this] { SetAlign(taRightJustify); });

    MemoText = new QTextEdit(this);
    MemoText->setObjectName(QStringLiteral("MemoText"));
    MemoText->setAcceptRichText(false);
    MemoText->setLineWrapMode(QTextEdit::NoWrap);
    MemoText->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    MemoText->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    MemoText->setProperty("HelpContext", kHelpMemo);
    MemoText->viewport()->setProperty("HelpContext", kHelpMemo);
    MemoText->setGeometry(16, 82, 438, 180);
    connect(MemoText, &QTextEdit::textChanged, this, [this] { MemoChanged(); });

    SetClientSize(470, 340);
}

int TTextForm::ChosenSize() const
{
    bool ok = false;
    const int size = CBoxSize->currentText().trimmed().toInt(&ok);
    if (!ok || size <= 0)
        return kDefaultSize;
    return std::min(size, kLargestSize);
}

QStringList TTextForm::Lines() const
{
    const QString text = MemoText->toPlainText();
    return text.isEmpty() ? QStringList() : text.split(QLatin1Char('\n'));
}

void TTextForm::Fill(const TItemText& text)
{
    BtnBold->SetPressed((text.TextStyle & fsBold) != 0);
    BtnItalic->SetPressed((text.TextStyle & fsItalic) != 0);
    int font = 0;
    for (int i = 0; i < FontList().size(); ++i)
        if (FontList()[i].FontName == text.Font.FontName) {
            font = i;
            break;
        }
    CBoxFont->setCurrentIndex(font);
    CBoxSize->setEditText(QString::number(text.Font.Size));
    SetAlign(text.TextAlign);
    MemoText->setPlainText(text.Lines.join(QLatin1Char('\n')));
    UpdateMemoFont();
    QTextCursor end = MemoText->textCursor();
    end.movePosition(QTextCursor::End);
    MemoText->setTextCursor(end);
    BtnOk->SetDimmed(MemoText->toPlainText().isEmpty());
}

void TTextForm::WriteBack(TItemText& text) const
{
    const int font = CBoxFont->currentIndex();
    if (font >= 0 && font < FontList().size())
        text.SetFontName(FontList()[font].FontName);
    text.SetSize(ChosenSize());
    int style = text.TextStyle & ~(fsBold | fsItalic);
    if (BtnBold->Pressed())
        style |= fsBold;
    if (BtnItalic->Pressed())
        style |= fsItalic;
    text.SetTextStyle(style);
    text.SetTextAlign(m_align);
    text.SetLines(Lines());
}

void TTextForm::SetAlign(int align)
{
    m_align = std::clamp(align, 0, 2);
    BtnAlignLeft->SetPressed(m_align == taLeftJustify);
    BtnAlignCenter->SetPressed(m_align == taCenter);
    BtnAlignRight->SetPressed(m_align == taRightJustify);
    QTextOption option = MemoText->document()->defaultTextOption();
    option.setAlignment(MemoAlignment(m_align));
    MemoText->document()->setDefaultTextOption(option);
    // Blocks typed so far follow too.
    const bool fixing = std::exchange(m_fixing, true);
    QTextCursor all(MemoText->document());
    all.select(QTextCursor::Document);
    QTextBlockFormat format;
    format.setAlignment(MemoAlignment(m_align));
    all.mergeBlockFormat(format);
    m_fixing = fixing;
}

void TTextForm::UpdateMemoFont()
{
    const int font = CBoxFont->currentIndex();
    const QString name = font >= 0 && font < FontList().size() ? FontList()[font].FontName : QString::fromLatin1(kFallbackFont);
    int style = 0;
    if (BtnBold->Pressed())
        style |= fsBold;
    if (BtnItalic->Pressed())
        style |= fsItalic;
    QFont f = MakeTextFont(name, ChosenSize(), style);
    MemoText->document()->setDefaultFont(f);
    MemoText->setFont(f);
}

void TTextForm::SizeEdited(const QString& text)
{
    bool ok = false;
    const int size = text.trimmed().toInt(&ok);
    if (ok && size > kLargestSize)
        CBoxSize->setEditText(QString::number(kLargestSize));
    UpdateMemoFont();
}

void TTextForm::MemoChanged()
{
    if (m_fixing)
        return;
    m_fixing = true;
    QTextDocument* doc = MemoText->document();
    // More lines than allowed: the line after the last allowed one goes again.
    const int maxLines = std::max(1, settings().TextMaxLines);
    while (doc->blockCount() > maxLines) {
        const QTextBlock extra = doc->findBlockByNumber(maxLines);
        QTextCursor c(doc);
        c.setPosition(extra.position() - 1);
        c.setPosition(extra.position() + extra.length() - 1, QTextCursor::KeepAnchor);
        c.removeSelectedText();
    }
    // Longer than allowed: what was just typed beyond the limit is not taken.
    const int maxLength = std::max(1, settings().TextMaxLength);
    const int over = int(doc->characterCount() - 1) - maxLength;
    if (over > 0) {
        QTextCursor c = MemoText->textCursor();
        const int at = c.position();
        c.setPosition(std::max(0, at - over));
        c.setPosition(at, QTextCursor::KeepAnchor);
        c.removeSelectedText();
        if (doc->characterCount() - 1 > maxLength) {
            QTextCursor tail(doc);
            tail.setPosition(maxLength);
            tail.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
            tail.removeSelectedText();
        }
    }
    m_fixing = false;
    BtnOk->SetDimmed(MemoText->toPlainText().isEmpty());
}

void TTextForm::keyPressEvent(QKeyEvent* event)
{
    // Enter belongs to the memo (a new line), not to Ok.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->ignore();
        return;
    }
    TStdPeltoForm::keyPressEvent(event);
}

void TTextForm::showEvent(QShowEvent* event)
{
    TStdPeltoForm::showEvent(event);
    QTimer::singleShot(0, MemoText, [this] { MemoText->setFocus(); });
}

bool TTextForm::Edit(QWidget* parent, TItemBase& item)
{
    auto* text = dynamic_cast<TItemText*>(item.Graphic);
    if (!text)
        return false;
    TTextForm form(parent);
    form.Fill(*text);
    if (form.exec() != mrOk)
        return false;
    form.WriteBack(*text);
    item.ResetPosition();
    return true;
}

} // namespace kav
