#include "editor/forms/renameform.h"

#include "document/item.h"
#include "editor/editsession.h"
#include "editor/itemcommands.h"

#include <QLabel>
#include <QLineEdit>

namespace kav {

TRenameForm::TRenameForm(QWidget* parent) : TStdPeltoForm(parent)
{
    setObjectName(QStringLiteral("RenameForm"));
    setWindowTitle(QStringLiteral("Rename"));
    StdLabelTitle->setText(QStringLiteral("Rename"));
    LabelName = new QLabel(QStringLiteral("Enter a new name:"), this);
    LabelName->setObjectName(QStringLiteral("LabelName"));
    LabelName->setGeometry(28, 52, 260, 22);
    EditName = new QLineEdit(this);
    EditName->setObjectName(QStringLiteral("EditName"));
    EditName->setMaxLength(ItemCommands::kMaxItemName);
    EditName->setGeometry(28, 78, 262, 28);
    resize(320, 196);
}

bool TRenameForm::Execute(QString& name)
{
    EditName->setText(name.left(ItemCommands::kMaxItemName));
    EditName->selectAll();
    EditName->setFocus();
    if (exec() != mrOk)
        return false;
    name = EditName->text();
    return true;
}

void RenameSelectedItem(TEditSession& session, QWidget* parent)
{
    TItemBase* item = session.CurrentItem();
    if (!item || session.SelectMode() != selBody)
        return;
    TRenameForm form(parent);
    QString name = item->Name;
    if (form.Execute(name))
        ItemCommands::RenameItem(session, name);
}

} // namespace kav
