#include "editor/forms/shortcutsform.h"

#include "core/colors.h"
#include "ui/forms/bmpbutton.h"
#include "ui/langstrings.h"

#include <QLabel>
#include <QPainter>

namespace kav {

namespace {
constexpr int kTableTop = 93;       // the column captions; rows follow every 20 pixels
constexpr int kFirstRule = 113;
constexpr int kRowHeight = 20;
constexpr int kLeft = 45;
constexpr int kKeyWidth = 104;
constexpr int kCommandWidth = 150;
constexpr int kTableGap = 34;

int TableWidth() { return kKeyWidth + kCommandWidth; }
} // namespace

QList<QList<TShortcutsForm::Row>> TShortcutsForm::Tables()
{
    // The commands in the language of the tables; the keys stay as the keyboard names them.
    const auto t = [](const char* id, const char* english) {
        return TableText(QStringLiteral("ShortcutsForm.") + QLatin1String(id), QString::fromUtf8(english));
    };
    return {
        {
            {{}, t("File", "File")},
            {QStringLiteral("Ctrl+N"), t("New", "New")},
            {QStringLiteral("Ctrl+O"), t("Open", "Open")},
            {QStringLiteral("Ctrl+S"), t("Save", "Save")},
            {QStringLiteral("Ctrl+Shift+S"), t("SaveAs", "Save As")},
            {QStringLiteral("Ctrl+I"), t("Import", "Import Media")},
            {QStringLiteral("F12"), t("Snapshot", "Take Snapshot")},
            {QStringLiteral("Ctrl+Shift+P"), t("Preview", "Preview in Browser")},
            {QStringLiteral("Ctrl+Shift+E"), t("Performance", "Estimated Performance")},
            {QStringLiteral("Ctrl+E"), t("Export", "Export")},
            {QStringLiteral("Ctrl+Q"), t("Quit", "Quit")},
            {{}, t("Libraries", "Libraries")},
            {QStringLiteral("F5"), t("Image", "Image")},
            {QStringLiteral("F6"), t("Background", "Background")},
            {QStringLiteral("F7"), t("Animation", "Animation")},
            {QStringLiteral("F8"), t("Sound", "Sound")},
        },
        {
            {{}, t("Edit", "Edit")},
            {QStringLiteral("Ctrl+Z"), t("Undo", "Undo")},
            {QStringLiteral("Ctrl+Shift+Z"), t("Redo", "Redo")},
            {QStringLiteral("Ctrl+X"), t("Cut", "Cut")},
            {QStringLiteral("Ctrl+C"), t("Copy", "Copy")},
            {QStringLiteral("Ctrl+V"), t("Paste", "Paste")},
            {{}, t("Stage", "Stage")},
            {QStringLiteral("Space"), t("PlayStop", "Play / Stop")},
            {QStringLiteral("Tab"), t("NextItem", "Next item")},
            {QStringLiteral("Shift+Tab"), t("PreviousItem", "Previous item")},
            {QStringLiteral("Arrows"), t("MoveOne", "Move the item 1 pixel")},
            {QStringLiteral("Ctrl+Arrows"), t("MoveFive", "Move the item 5 pixels")},
            {QStringLiteral("Delete"), t("Remove", "Remove the item")},
            {QStringLiteral("Esc"), t("Deselect", "Deselect")},
            {QStringLiteral("Num+ / Num−"), t("NextValue", "Next / previous value")},
        },
        {
            {{}, t("Item", "Item")},
            {QStringLiteral("Ctrl+1"), t("InsertAnimation", "Insert Animation")},
            {QStringLiteral("Ctrl+2"), t("InsertImage", "Insert Image")},
            {QStringLiteral("Ctrl+3"), t("InsertText", "Insert Text")},
            {QStringLiteral("Ctrl+4"), t("InsertBackground", "Insert Background")},
            {QStringLiteral("Ctrl+D"), t("Duplicate", "Duplicate")},
            {QStringLiteral("Ctrl+F"), t("Front", "Bring to Front")},
            {QStringLiteral("Ctrl+B"), t("Back", "Send to Back")},
            {QStringLiteral("Ctrl+5"), t("Center", "Center")},
            {QStringLiteral("Ctrl+Shift+F"), t("Flip", "Flip")},
            {QStringLiteral("Ctrl+L"), t("Loop", "Loop")},
            {QStringLiteral("Ctrl+R"), t("Color", "Color")},
            {QStringLiteral("Ctrl+T"), t("Tile", "Tile")},
        },
    };
}

TShortcutsForm::TShortcutsForm(QWidget* parent) : TStdPeltoForm(parent)
{
    setObjectName(QStringLiteral("ShortcutsForm"));
    setWindowTitle(QStringLiteral("Shortcuts"));
    StdLabelTitle->setText(QStringLiteral("Shortcuts"));
    BtnCancel->hide();
    int rows = 0;
    const QList<QList<Row>> tables = Tables();
    for (const auto& t : tables)
        rows = std::max(rows, int(t.size()));
    const int width = kLeft * 2 + int(tables.size()) * TableWidth() + (int(tables.size()) - 1) * kTableGap;
    resize(width, kFirstRule + rows * kRowHeight + 110);
}

void TShortcutsForm::BuildBackground(QPainter& p)
{
    TStdPeltoForm::BuildBackground(p);
    const QColor line = ToQColor(LineColor);
    QFont plain = font();
    plain.setPointSizeF(9);
    QFont bold = plain;
    bold.setBold(true);
    QFont caption = plain;
    caption.setPointSizeF(8);
    int x0 = kLeft;
    for (const QList<Row>& table : Tables()) {
        // Column captions above the first rule.
        p.setFont(caption);
        p.setPen(QColor(0x6B, 0x74, 0x82));
        p.drawText(QRect(x0 + 4, kTableTop, kKeyWidth - 8, kRowHeight), Qt::AlignLeft | Qt::AlignVCenter, TableText(QStringLiteral("ShortcutsForm.ColumnKey"), QStringLiteral("KEY")));
        p.drawText(QRect(x0 + kKeyWidth + 8, kTableTop, kCommandWidth - 8, kRowHeight), Qt::AlignLeft | Qt::AlignVCenter,
                   TableText(QStringLiteral("ShortcutsForm.ColumnCommand"), QStringLiteral("COMMAND")));
        for (int i = 0; i < table.size(); ++i) {
            const Row& row = table[i];
            const QRect r(x0, kFirstRule + i * kRowHeight, TableWidth(), kRowHeight);
            if (row.key.isEmpty()) {
                // A section: a tinted band with its name.
                p.fillRect(r.adjusted(0, 1, 0, 0), QColor(0xE2, 0xE8, 0xF2));
                p.setFont(bold);
                p.setPen(QColor(0x27, 0x4F, 0xB0));
                p.drawText(r.adjusted(6, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, row.command);
                continue;
            }
            p.setFont(bold);
            p.setPen(QColor(0x2B, 0x33, 0x40));
            p.drawText(QRect(r.left() + 6, r.top(), kKeyWidth - 8, kRowHeight), Qt::AlignLeft | Qt::AlignVCenter, row.key);
            p.setFont(plain);
            p.drawText(QRect(r.left() + kKeyWidth + 8, r.top(), kCommandWidth - 10, kRowHeight), Qt::AlignLeft | Qt::AlignVCenter,
                       row.command);
        }
        // The rules: one under the captions and under every row, and one between key and command.
        p.setPen(QPen(line, 1));
        for (int i = 0; i <= table.size(); ++i)
            p.drawLine(QPointF(x0, kFirstRule + i * kRowHeight + 0.5), QPointF(x0 + TableWidth(), kFirstRule + i * kRowHeight + 0.5));
        // The column rule stops at section bands.
        const qreal colX = x0 + kKeyWidth + 0.5;
        p.drawLine(QPointF(colX, kTableTop), QPointF(colX, kFirstRule));
        for (int i = 0; i < table.size(); ++i)
            if (!table[i].key.isEmpty())
                p.drawLine(QPointF(colX, kFirstRule + i * kRowHeight), QPointF(colX, kFirstRule + (i + 1) * kRowHeight));

        x0 += TableWidth() + kTableGap;
    }
}

} // namespace kav
