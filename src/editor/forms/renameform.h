#pragma once
#include "ui/forms/stdpeltoform.h"

class QLabel;
class QLineEdit;

namespace kav {

class TEditSession;

// "Enter a new name:" with one edit of at most 30 characters, filled in and selected.
class TRenameForm : public TStdPeltoForm {
    Q_OBJECT
public:
    explicit TRenameForm(QWidget* parent = nullptr);

    QLabel* LabelName = nullptr;
    QLineEdit* EditName = nullptr;

    // Modal; true with OK, the name in `name`.
    bool Execute(QString& name);
};

// Item > "Rename...": with an item selected, asks for its new name and renames it.
void RenameSelectedItem(TEditSession& session, QWidget* parent);

} // namespace kav
