#pragma once
#include "ui/forms/stdpeltoform.h"

#include <QList>
#include <QString>

namespace kav {

// Help > "Shortcuts": the program's keyboard shortcuts in ruled tables on the standard dialog,
// with Ok alone.
class TShortcutsForm : public TStdPeltoForm {
    Q_OBJECT
public:
    explicit TShortcutsForm(QWidget* parent = nullptr);

    // One row: a key and what it does; a row without a key starts a section.
    struct Row {
        QString key;
        QString command;
    };
    // The tables, left to right.
    static QList<QList<Row>> Tables();

protected:
    void BuildBackground(QPainter& painter) override;
};

} // namespace kav
