#include "config/settings.h"
#include "ui/forms/bmpbutton.h"
#include "ui/forms/infobar.h"
#include "ui/forms/interstore.h"
#include "ui/forms/msgform.h"
#include "ui/forms/savemsgform.h"
#include "ui/forms/stdpeltoform.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QMouseEvent>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

using namespace kav;

namespace {

struct Windows : ::testing::Test {
    void SetUp() override
    {
        OpenInterStore(QStringLiteral(KAV_APP_DIR "/Data/"), QStringLiteral(KAV_APP_DIR "/Inter/"));
        SetInfoBarHints({QStringLiteral("10;Ok;Accept"), QStringLiteral("11;Ok;Why not yet"),
                         QStringLiteral("12;Cancel;Close"), QStringLiteral("20; ;The window"),
                         QStringLiteral("30;Size;Width of the stage")});
        ResetCurrentHint();
    }
    void TearDown() override
    {
        SetHintsPaused(nullptr);
        CloseInterStore();
    }
};

void Show(QWidget& w)
{
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
}

void SendMouse(QWidget& w, QEvent::Type type, QPoint local, QPoint global, Qt::MouseButtons buttons)
{
    QMouseEvent e(type, local, global, type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons, {});
    QApplication::sendEvent(&w, &e);
}

// Runs `answer` on the modal window as soon as it is shown.
void WhenModal(std::function<void(QWidget*)> answer)
{
    QTimer::singleShot(0, [answer] {
        QWidget* w = QApplication::activeModalWidget();
        ASSERT_NE(w, nullptr);
        answer(w);
    });
}

} // namespace

TEST_F(Windows, OkCancelEnterAndEscGiveTheirResults)
{
    struct Case { const char* what; std::function<void(TStdPeltoForm&)> act; int result; };
    const Case cases[] = {
        {"Ok clicked", [](TStdPeltoForm& f) { QTest::mouseClick(f.BtnOk, Qt::LeftButton, {}, QPoint(20, 15)); }, 1},
        {"Cancel clicked", [](TStdPeltoForm& f) { QTest::mouseClick(f.BtnCancel, Qt::LeftButton, {}, QPoint(20, 15)); }, 2},
        {"Enter", [](TStdPeltoForm& f) { QTest::keyClick(&f, Qt::Key_Return); }, 1},
        {"Esc", [](TStdPeltoForm& f) { QTest::keyClick(&f, Qt::Key_Escape); }, 2},
        {"close box", [](TStdPeltoForm& f) { f.close(); }, 2},
    };
    for (const Case& c : cases) {
        TStdPeltoForm form;
        Show(form);
        c.act(form);
        EXPECT_FALSE(form.isVisible()) << c.what;
        EXPECT_EQ(form.result(), c.result) << c.what;
    }

    // Enter does nothing while Ok is dimmed or hidden; Esc acts on the release only.
    TStdPeltoForm form;
    Show(form);
    form.BtnOk->SetDimmed(true);
    QTest::keyClick(&form, Qt::Key_Enter);
    EXPECT_TRUE(form.isVisible());
    form.BtnOk->SetDimmed(false);
    form.BtnOk->hide();
    QTest::keyClick(&form, Qt::Key_Return);
    EXPECT_TRUE(form.isVisible());
    QTest::keyPress(&form, Qt::Key_Escape);
    EXPECT_TRUE(form.isVisible());
    QTest::keyRelease(&form, Qt::Key_Escape);
    EXPECT_FALSE(form.isVisible());
}

TEST_F(Windows, TheButtonsSitOnTheBottomCurve)
{
    TStdPeltoForm form;
    form.resize(420, 270);
    Show(form);
    const QSize curve = LoadInterfaceBitmap(QStringLiteral("StdWin\\BottomCurve")).size();
    const QPoint at = form.BottomCurveAt();
    EXPECT_EQ(at, QPoint(420 - curve.width() - 8, 270 - curve.height() - 15 - 25));
    EXPECT_EQ(form.BtnCancel->pos(), at + QPoint(29, 2));
    EXPECT_EQ(form.BtnOk->pos(), at + QPoint(97, 2));
    EXPECT_EQ(form.InfoBar->mapTo(&form, QPoint(0, 0)).y(), 270 - 15);
}

TEST_F(Windows, TheTopTwentyPixelsMoveTheWindow)
{
    TStdPeltoForm form;
    Show(form);
    const QPoint start = form.pos();
    const QPoint g = form.mapToGlobal(QPoint(50, 10));
    SendMouse(form, QEvent::MouseButtonPress, QPoint(50, 10), g, Qt::LeftButton);
    EXPECT_TRUE(form.Dragging());
    SendMouse(form, QEvent::MouseMove, QPoint(50, 10), g + QPoint(15, 5), Qt::LeftButton);
    SendMouse(form, QEvent::MouseMove, QPoint(50, 10), g + QPoint(30, 40), Qt::LeftButton);
    SendMouse(form, QEvent::MouseButtonRelease, QPoint(50, 10), g + QPoint(30, 40), Qt::NoButton);
    EXPECT_FALSE(form.Dragging());
    EXPECT_EQ(form.pos(), start + QPoint(30, 40));

    // 25 pixels down is the window's body.
    const QPoint body = form.mapToGlobal(QPoint(50, 25));
    SendMouse(form, QEvent::MouseButtonPress, QPoint(50, 25), body, Qt::LeftButton);
    EXPECT_FALSE(form.Dragging());
    SendMouse(form, QEvent::MouseMove, QPoint(50, 25), body + QPoint(30, 40), Qt::LeftButton);
    SendMouse(form, QEvent::MouseButtonRelease, QPoint(50, 25), body + QPoint(30, 40), Qt::NoButton);
    EXPECT_EQ(form.pos(), start + QPoint(30, 40));
}

TEST_F(Windows, TheInfoBarShowsTheHintUnderTheMouse)
{
    TStdPeltoForm form;
    auto* size = new QLabel(QStringLiteral("Width"), &form);
    size->setGeometry(20, 60, 100, 20);
    SetHelpContext(size, 30);
    Show(form);
    EXPECT_EQ(form.InfoBar->text(), QStringLiteral("The window")) << "the window's hint when shown";

    QTest::mouseMove(form.BtnOk, QPoint(20, 15));
    EXPECT_EQ(form.InfoBar->text(), QStringLiteral("Ok - Accept"));
    QTest::mouseMove(&form, QPoint(200, 120));
    EXPECT_EQ(form.InfoBar->text(), QStringLiteral("The window"));
    form.BtnOk->SetDimmed(true);
    QTest::mouseMove(form.BtnOk, QPoint(20, 15));
    EXPECT_EQ(form.InfoBar->text(), QStringLiteral("Ok - Why not yet")) << "a dimmed button says why";
    QTest::mouseMove(size, QPoint(10, 10));
    EXPECT_EQ(form.InfoBar->text(), QStringLiteral("Size - Width of the stage"));

    // A hint longer than a narrow window's bar is drawn smaller, then cut, and is whole in the tip.
    auto* bar = static_cast<TInfoBarLabel*>(form.InfoBar);
    const QString longHint = QStringLiteral("Drag the top of the window to move it. Enter accepts, Esc cancels. "
                                            "F1 opens the help on the control under the mouse.");
    ShowText(bar, longHint);
    bar->repaint();
    const QFontMetrics fitted(bar->FittedFont());
    EXPECT_LE(fitted.horizontalAdvance(bar->FittedText()), bar->contentsRect().width());
    EXPECT_TRUE(bar->FittedText().endsWith(QChar(0x2026)));
    EXPECT_EQ(bar->toolTip(), longHint);
    ShowText(bar, QStringLiteral("Ok"));
    bar->repaint();
    EXPECT_EQ(bar->FittedText(), QStringLiteral("Ok"));
    EXPECT_EQ(bar->FittedFont().pixelSize(), bar->font().pixelSize());
    EXPECT_TRUE(bar->toolTip().isEmpty());

    // A text shown directly resets the number, so the same control shows its hint again;
    // while the main window plays, hints stay as they are.
    ShowText(form.InfoBar, QStringLiteral("Saving..."));
    EXPECT_EQ(CurrentHint(), 0);
    SetHintsPaused([] { return true; });
    QTest::mouseMove(&form, QPoint(200, 120));
    EXPECT_EQ(form.InfoBar->text(), QStringLiteral("Saving..."));
    SetHintsPaused(nullptr);
    QTest::mouseMove(&form, QPoint(210, 120));
    EXPECT_EQ(form.InfoBar->text(), QStringLiteral("The window"));

    // F1 opens the topic of the current hint, only with context-sensitive help switched on.
    std::vector<int> topics;
    SetHelpTopicOpener([&](const QString&, int topic) { topics.push_back(topic); });
    const bool helpBefore = settings().ContextSensitiveHelp;
    settings().ContextSensitiveHelp = false;
    QTest::keyClick(&form, Qt::Key_F1);
    settings().ContextSensitiveHelp = true;
    QTest::keyClick(&form, Qt::Key_F1);
    ShowText(form.InfoBar, QString());
    QTest::keyClick(&form, Qt::Key_F1);
    settings().ContextSensitiveHelp = helpBefore;
    SetHelpTopicOpener(nullptr);
    EXPECT_EQ(topics, std::vector<int>{20});
}

TEST_F(Windows, TheMessageBoxLaysOutOneOrTwoButtons)
{
    TMsgForm ok;
    ok.Setup(QStringLiteral("Error"), QStringLiteral("Short"), mbOk);
    Show(ok);
    EXPECT_TRUE(ok.BtnOk->isVisible());
    EXPECT_FALSE(ok.BtnCancel->isVisible());
    EXPECT_TRUE(ok.SingleButton());
    EXPECT_EQ(ok.size(), QSize(310, 140)) << "the smallest box";
    EXPECT_FALSE(ok.MsgCheck->isVisible());

    TMsgForm cancel;
    cancel.Setup({}, QStringLiteral("Only a way back"), mbCancel);
    Show(cancel);
    EXPECT_EQ(cancel.windowTitle(), QStringLiteral("Error")) << "an empty caption";
    EXPECT_FALSE(cancel.BtnOk->isVisible());
    EXPECT_TRUE(cancel.SingleButton());
    EXPECT_EQ(cancel.BtnCancel->pos(), ok.BtnOk->pos());
    QTest::keyClick(&cancel, Qt::Key_Return);
    EXPECT_TRUE(cancel.isVisible()) << "Enter needs a visible Ok";
    QTest::keyClick(&cancel, Qt::Key_Escape);
    EXPECT_EQ(cancel.result(), 2);

    TMsgForm both;
    const QString longText = QStringLiteral("A long message that goes on and on. ").repeated(12);
    both.Setup(QStringLiteral("Confirm"), longText, mbOkCancel, QStringLiteral("Do not notify again"));
    Show(both);
    EXPECT_FALSE(both.SingleButton());
    EXPECT_EQ(both.BtnOk->x() - both.BtnCancel->x(), 64);
    EXPECT_LT(both.width(), 700) << "long lines wrap";
    EXPECT_GT(both.height(), 140);
    const QRect label = both.StdLabelTitle->geometry();
    EXPECT_EQ(both.width(), std::max(label.width(), both.MsgCheck->width()) + 100);
    EXPECT_TRUE(both.MsgCheck->isVisible());
    EXPECT_FALSE(both.MsgCheck->isChecked());
    EXPECT_GT(both.MsgCheck->y(), label.bottom());
    EXPECT_LT(both.MsgCheck->geometry().bottom(), both.BtnOk->y());
}

TEST_F(Windows, MessageBoxesAnswerOkCancelEnterAndEsc)
{
    WhenModal([](QWidget* w) { QTest::keyClick(w, Qt::Key_Return); });
    EXPECT_EQ(MessageBox(QStringLiteral("Confirm"), QStringLiteral("Go on?"), mbOkCancel), 1);
    WhenModal([](QWidget* w) { QTest::keyClick(w, Qt::Key_Escape); });
    EXPECT_EQ(MessageBox(QStringLiteral("Confirm"), QStringLiteral("Go on?"), mbOkCancel), 2);
    WhenModal([](QWidget* w) { QTest::keyClick(w, Qt::Key_Escape); });
    EXPECT_EQ(MessageBox(QStringLiteral("Error"), QStringLiteral("Esc with Ok alone"), mbOk), 2);
    WhenModal([](QWidget* w) {
        auto* f = static_cast<TMsgForm*>(w);
        QTest::mouseClick(f->BtnCancel, Qt::LeftButton, {}, QPoint(20, 15));
    });
    EXPECT_EQ(MessageBox(QStringLiteral("Warning"), QStringLiteral("Really?"), mbOkCancel), 2);

    bool checked = false;
    WhenModal([](QWidget* w) {
        auto* f = static_cast<TMsgForm*>(w);
        QTest::mouseClick(f->MsgCheck, Qt::LeftButton, {}, QPoint(5, f->MsgCheck->height() / 2));
        QTest::mouseClick(f->BtnOk, Qt::LeftButton, {}, QPoint(20, 15));
    });
    EXPECT_EQ(MessageBoxCheck(QStringLiteral("Information"), QStringLiteral("Done."), mbOk,
                              QStringLiteral("Do not notify again"), &checked), 1);
    EXPECT_TRUE(checked);
}

TEST_F(Windows, TheSaveQuestionAnswersYesNoOrCancel)
{
    const struct { TBmpButton* TSaveMsgForm::*button; int result; } cases[] = {
        {&TSaveMsgForm::BtnOk, 1}, {&TSaveMsgForm::BtnNo, 3}, {&TSaveMsgForm::BtnCancel, 2}};
    for (const auto& c : cases) {
        TSaveMsgForm form;
        Show(form);
        QTest::mouseClick(form.*c.button, Qt::LeftButton, {}, QPoint(20, 15));
        EXPECT_EQ(form.result(), c.result);
    }
    TSaveMsgForm form;
    Show(form);
    EXPECT_LT(form.BtnNo->geometry().right(), form.BtnCancel->x());
    QTest::keyClick(&form, Qt::Key_Escape);
    EXPECT_EQ(form.result(), 2);
}
