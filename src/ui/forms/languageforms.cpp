#include "ui/forms/languageforms.h"

#include "config/settings.h"
#include "core/errors.h"
#include "core/textcodec.h"
#include "core/safefile.h"
#include "ui/langstrings.h"

#include <QAbstractButton>
#include <QAction>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTextEdit>

namespace kav {

namespace {

enum class Kind { Other, Button, GroupBox, Label, Panel, MultiLineEdit, MenuEntry, BitmapButton };

Kind KindOf(QObject* o)
{
    if (qobject_cast<QAction*>(o))
        return Kind::MenuEntry;
    auto* w = qobject_cast<QWidget*>(o);
    if (!w)
        return Kind::Other;
    if (w->property("kavBitmapButton").toBool() && w->property("text").isValid())
        return Kind::BitmapButton;
    if (qobject_cast<QMenu*>(w))
        return Kind::MenuEntry;
    if (qobject_cast<QAbstractButton*>(w))
        return Kind::Button;
    if (qobject_cast<QGroupBox*>(w))
        return Kind::GroupBox;
    if (qobject_cast<QLabel*>(w))
        return Kind::Label;
    if (qobject_cast<QPlainTextEdit*>(w) || qobject_cast<QTextEdit*>(w))
        return Kind::MultiLineEdit;
    // A plain frame is our panel; its subclasses (labels, scroll areas, ...) are other controls.
    if (w->metaObject() == &QFrame::staticMetaObject)
        return Kind::Panel;
    return Kind::Other;
}

// The window's named components in creation order. Dialogs parented to the window are windows
// of their own and keep their controls; popup menus are windows too but belong to this one.
void CollectComponents(QObject* parent, QList<QObject*>& out)
{
    for (QObject* child : parent->children()) {
        auto* w = qobject_cast<QWidget*>(child);
        if (w && w->isWindow() && !qobject_cast<QMenu*>(w))
            continue;
        // qt_* objects are Qt's own parts of a widget (a menu bar's extension button, ...).
        if (!child->objectName().isEmpty() && !child->objectName().startsWith(QLatin1String("qt_")))
            out << child;
        CollectComponents(child, out);
    }
}

QString Caption(QObject* o, Kind kind)
{
    switch (kind) {
    case Kind::Button: return static_cast<QAbstractButton*>(o)->text();
    case Kind::GroupBox: return static_cast<QGroupBox*>(o)->title();
    case Kind::Label: return static_cast<QLabel*>(o)->text();
    case Kind::MultiLineEdit:
        if (auto* plain = qobject_cast<QPlainTextEdit*>(o))
            return plain->toPlainText();
        return static_cast<QTextEdit*>(o)->toPlainText();
    case Kind::MenuEntry:
        if (auto* menu = qobject_cast<QMenu*>(o))
            return menu->title();
        return static_cast<QAction*>(o)->text();
    case Kind::BitmapButton: return o->property("text").toString();
    case Kind::Panel:
    case Kind::Other: break;
    }
    return {};
}

void SetCaption(QObject* o, Kind kind, const QString& text)
{
    switch (kind) {
    case Kind::Button: static_cast<QAbstractButton*>(o)->setText(text); break;
    case Kind::GroupBox: static_cast<QGroupBox*>(o)->setTitle(text); break;
    case Kind::Label: static_cast<QLabel*>(o)->setText(text); break;
    case Kind::MultiLineEdit:
        if (auto* plain = qobject_cast<QPlainTextEdit*>(o))
            plain->setPlainText(text);
        else
            static_cast<QTextEdit*>(o)->setPlainText(text);
        break;
    case Kind::MenuEntry:
        if (auto* menu = qobject_cast<QMenu*>(o))
            menu->setTitle(text);
        else
            static_cast<QAction*>(o)->setText(text);
        break;
    case Kind::BitmapButton: o->setProperty("text", text); break;
    case Kind::Panel: // a panel shows no caption here; only its font is localised
    case Kind::Other: break;
    }
}

// Table texts break lines with CR LF; Qt widgets expect a bare LF.
QString ForWidget(QString text) { return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")); }

// A table line holds one entry, so a caption's line breaks are written as '\'.
QString ForTable(QString text)
{
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\\"));
    text.replace(u'\n', u'\\');
    text.replace(u'\r', u'\\');
    return text;
}

// The tip a caption gives when the control has none of its own: the caption without its
// mnemonic and without the dots that promise a dialog.
QString TipOf(const QString& caption)
{
    QString tip = WithoutMnemonic(caption);
    tip.remove(QStringLiteral("...")).remove(QChar(0x2026));
    return tip.trimmed();
}

// A control's own tool tip; an action's tool tip counts only when it is more than its text.
QString ToolTip(QObject* o)
{
    if (auto* a = qobject_cast<QAction*>(o)) {
        const QString tip = a->toolTip();
        return tip == TipOf(a->text()) || tip == QString(a->text()).remove(QStringLiteral("...")).remove(u'&') ? QString() : tip;
    }
    if (auto* w = qobject_cast<QWidget*>(o))
        return w->toolTip();
    return {};
}

void SetToolTip(QObject* o, const QString& tip)
{
    if (auto* a = qobject_cast<QAction*>(o))
        a->setToolTip(tip);
    else if (auto* w = qobject_cast<QWidget*>(o))
        w->setToolTip(tip);
}

bool ContainsLine(const QStringList& lines, const QString& line)
{
    return lines.contains(line, Qt::CaseInsensitive);
}

} // namespace

void ApplyToForm(QWidget* window)
{
    if (!window || window->objectName().isEmpty())
        return;
    const TLangStringList* table = CurrentStrings();
    const QString windowName = window->objectName();

    bool languageFont = false;
    if (const TLangStringItem* entry = table->Find(windowName)) {
        window->setWindowTitle(ForWidget(entry->Text));
        if (entry->Font) {
            window->setFont(*entry->Font);
            languageFont = true;
        }
    }
    // A language whose script needs a font of its own names it on the main window's line; every
    // other window without a font of its own takes that one, so no window mixes fonts.
    if (!languageFont) {
        const TLangStringItem* main = table->Find(QStringLiteral("MainForm"));
        if (main && main->Font && windowName != QLatin1String("MainForm")) {
            QFont font = window->font();
            font.setFamilies(main->Font->families());
            window->setFont(font);
            for (QWidget* child : window->findChildren<QWidget*>()) {
                if (child->window() != window)
                    continue;
                QFont own = child->font();
                own.setFamilies(main->Font->families());
                child->setFont(own);
            }
        }
    }

    QList<QObject*> components;
    CollectComponents(window, components);
    for (QObject* o : components) {
        const QString key = windowName + u'.' + o->objectName();
        if (const TLangStringItem* hint = table->Find(key + QStringLiteral(".Hint")))
            SetToolTip(o, ForWidget(hint->Text));
        const TLangStringItem* entry = table->Find(key);
        if (!entry)
            continue;
        const Kind kind = KindOf(o);
        if (kind == Kind::Other)
            continue;
        if (!entry->Text.isEmpty()) {
            // A tool tip that repeats the caption (a tool button showing only its icon, a menu
            // command on a tool bar) follows it, without a mnemonic marker it cannot underline.
            const QString tip = ToolTip(o);
            const bool tipFollows = qobject_cast<QAction*>(o) ? tip.isEmpty()
                                                               : !tip.isEmpty() && tip == TipOf(Caption(o, kind));
            SetCaption(o, kind, ForWidget(entry->Text));
            if (tipFollows && !table->Find(key + QStringLiteral(".Hint")))
                SetToolTip(o, TipOf(Caption(o, kind)));
        }
        auto* w = qobject_cast<QWidget*>(o);
        if (!w || kind == Kind::MenuEntry)
            continue;
        if (entry->Font)
            w->setFont(*entry->Font);
        else if (languageFont && kind != Kind::BitmapButton)
            w->setFont(QFont()); // no font of its own: inherit the window's language font
    }
}

void LocaliseForm(QWidget* window)
{
    if (settings().LanguageLearn)
        LearnForm(window);
    else
        ApplyToForm(window);
}

bool LearnForm(QWidget* window, const QString& languageFile)
{
    if (!window || window->objectName().isEmpty())
        return true;
    const QString windowName = window->objectName();

    QStringList lines;
    QFile in(languageFile);
    if (in.exists()) {
        // An unreadable file must not be replaced by one holding only this window's lines.
        if (!in.open(QIODevice::ReadOnly))
            return false;
        const QString content = DecodeText(in.readAll());
        in.close();
        for (QString line : content.split(u'\n')) {
            if (line.endsWith(u'\r'))
                line.chop(1);
            lines << line;
        }
        if (!lines.isEmpty() && lines.back().isEmpty())
            lines.removeLast();
    }

    const QString caption = ForTable(window->windowTitle());
    const QString head = windowName + u';' + caption;
    if (ContainsLine(lines, head))
        return true;

    // Lines already present are not added again: a window without a caption has no head line
    // that would stop a second learning run, and its control lines would pile up.
    auto add = [&](const QString& line) {
        if (!ContainsLine(lines, line))
            lines << line;
    };
    if (!caption.isEmpty())
        add(head);
    QList<QObject*> components;
    CollectComponents(window, components);
    for (QObject* o : components) {
        const Kind kind = KindOf(o);
        if (kind == Kind::Panel || kind == Kind::Other)
            continue;
        const QString text = ForTable(Caption(o, kind));
        if (!text.isEmpty())
            add(windowName + u'.' + o->objectName() + u';' + text);
        const QString tip = ForTable(ToolTip(o));
        if (!tip.isEmpty())
            add(windowName + u'.' + o->objectName() + QStringLiteral(".Hint;") + tip);
    }

    QByteArray bytes;
    for (const QString& line : lines)
        bytes += line.toUtf8() + "\r\n";
    try {
        WriteFileSafely(languageFile, bytes);
    } catch (const UserError&) {
        return false;
    }
    return true;
}

} // namespace kav
