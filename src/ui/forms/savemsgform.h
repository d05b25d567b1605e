#pragma once
#include "ui/forms/msgform.h"

namespace kav {

// The question about unsaved changes: Yes (result 1), No (3) and Cancel (2, also Esc and the
// close box); Enter answers Yes. The message box with a third button on a longer tray.
class TSaveMsgForm : public TMsgForm {
    Q_OBJECT
public:
    enum { mrNo = 3 };
    explicit TSaveMsgForm(QWidget* parent = nullptr);

    TBmpButton* BtnNo = nullptr;

    void SetText(const QString& text);

public slots:
    void BtnNoClick();

protected:
    bool BeforeBuildBackground(QPainter& painter) override;
};

} // namespace kav
