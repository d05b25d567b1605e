#include "ui/forms/bmpbutton.h"
#include "ui/forms/cache.h"
#include "ui/forms/interstore.h"

#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

using namespace kav;
using State = TBmpButton::State;

namespace {

// A button at (20, 20) in a shown window, with the faces of the standard Ok button.
struct ButtonWindow : ::testing::Test {
    QWidget window;
    TBmpButton* button = nullptr;

    void SetUp() override
    {
        OpenInterStore(QStringLiteral(KAV_APP_DIR "/Data/"), QStringLiteral(KAV_APP_DIR "/Inter/"));
        window.resize(200, 120);
        button = new TBmpButton(&window);
        button->move(20, 20);
        button->SetBmps(QStringLiteral("\\StdWin\\Ok"), QStringLiteral("\\StdWin\\OkR"), QStringLiteral("\\StdWin\\OkC"),
                        QStringLiteral("\\StdWin\\OkD"));
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        QTest::mouseMove(&window, QPoint(150, 100));
    }
    void TearDown() override { CloseInterStore(); }

    QPoint Inside() const { return QPoint(10, 10); }
    void MoveIn() { QTest::mouseMove(button, Inside()); }
    void MoveOut() { QTest::mouseMove(&window, QPoint(150, 100)); }
    void Click() { QTest::mouseClick(button, Qt::LeftButton, {}, Inside()); }
};

QImage Face(const char* name) { return LoadInterfaceBitmap(QLatin1String(name)); }

} // namespace

TEST_F(ButtonWindow, ThePicturesOfTheStatesFollowWhatIsNamed)
{
    EXPECT_EQ(button->size(), Face("\\StdWin\\Ok").size()) << "the off picture gives the size";
    EXPECT_EQ(button->StatePicture(State::Pressed), Face("\\StdWin\\OkC"));
    EXPECT_EQ(button->StatePicture(State::Dimmed), Face("\\StdWin\\OkD"));

    // Only off and roll-over: pressed shows the roll-over picture, dimmed the off one.
    button->SetBmps(QStringLiteral("\\StdWin\\Cancel"), QStringLiteral("\\StdWin\\CancelR"), {});
    EXPECT_EQ(button->StatePicture(State::Pressed), Face("\\StdWin\\CancelR"));
    EXPECT_EQ(button->StatePicture(State::Dimmed), Face("\\StdWin\\Cancel"));
    EXPECT_EQ(button->StatePicture(State::Roll), Face("\\StdWin\\CancelR"));

    // A missing off picture is a blank one of the button's size.
    const QSize before = button->size();
    button->SetBmps(QStringLiteral("\\StdWin\\NoSuchFace"), {}, {});
    EXPECT_EQ(button->size(), before);
}

TEST_F(ButtonWindow, ButtonsShareTheirPicturesUntilTheLastOneGoes)
{
    const QString key = InterfaceKey(QStringLiteral("\\StdWin\\Ok"), button->devicePixelRatioF() > 1);
    const int users = ButtonCache().Users(key);
    {
        TBmpButton other(&window);
        other.SetBmpsOff(QStringLiteral("\\StdWin\\Ok"));
        EXPECT_EQ(ButtonCache().Users(key), users + 1);
    }
    EXPECT_EQ(ButtonCache().Users(key), users);
    delete button;
    EXPECT_EQ(ButtonCache().Users(key), 0);
}

TEST_F(ButtonWindow, AClickPressesRollsOverAndReleases)
{
    QSignalSpy clicks(button, &TBmpButton::OnClick), enters(button, &TBmpButton::OnEnter), leaves(button, &TBmpButton::OnLeave);
    MoveIn();
    EXPECT_EQ(button->CurrentState(), State::Roll);
    EXPECT_EQ(enters.count(), 1);
    QTest::mousePress(button, Qt::LeftButton, {}, Inside());
    EXPECT_EQ(button->CurrentState(), State::Pressed);
    QTest::mouseRelease(button, Qt::LeftButton, {}, Inside());
    EXPECT_EQ(clicks.count(), 1);
    EXPECT_EQ(button->CurrentState(), State::Roll) << "released under the mouse";
    MoveOut();
    EXPECT_EQ(button->CurrentState(), State::Off);
    EXPECT_EQ(leaves.count(), 1);

    // Released outside: no click, and the button lets go.
    MoveIn();
    QTest::mousePress(button, Qt::LeftButton, {}, Inside());
    QTest::mouseMove(button, QPoint(-30, -10));
    QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(-30, -10));
    EXPECT_EQ(clicks.count(), 1);
    EXPECT_FALSE(button->Pressed());
    EXPECT_EQ(button->CurrentState(), State::Off);

    // The right button does nothing.
    QTest::mouseClick(button, Qt::RightButton, {}, Inside());
    EXPECT_EQ(clicks.count(), 1);
    EXPECT_FALSE(button->Pressed());
}

TEST_F(ButtonWindow, StayDownAndClickBackUpMakeToggles)
{
    button->SetStayDown(true);
    MoveIn();
    Click();
    EXPECT_TRUE(button->Pressed()) << "stays down after the release";
    MoveOut();
    EXPECT_TRUE(button->Pressed()) << "leaving keeps a button that stays down";
    MoveIn();
    Click();
    EXPECT_TRUE(button->Pressed()) << "without ClickBackUp a press only sets";
    button->SetStayDown(false);
    EXPECT_FALSE(button->Pressed()) << "ending StayDown ends the pressed state";

    button->SetStayDown(true);
    button->ClickBackUp = true;
    QSignalSpy clicks(button, &TBmpButton::OnClick);
    bool pressedDuringClick = false;
    QObject::connect(button, &TBmpButton::OnClick, [&] { pressedDuringClick = button->Pressed(); });
    Click();
    EXPECT_TRUE(button->Pressed());
    EXPECT_TRUE(pressedDuringClick) << "a click handler sees the new state";
    Click();
    EXPECT_FALSE(button->Pressed());
    EXPECT_FALSE(pressedDuringClick);
    EXPECT_EQ(clicks.count(), 2);
}

TEST_F(ButtonWindow, ADimmedButtonIgnoresTheMouseButStillGivesHints)
{
    QSignalSpy clicks(button, &TBmpButton::OnClick), hints(button, &TBmpButton::OnHint);
    button->SetDimmed(true);
    MoveIn();
    Click();
    QTest::mouseDClick(button, Qt::LeftButton, {}, Inside());
    EXPECT_EQ(clicks.count(), 0);
    EXPECT_FALSE(button->Pressed());
    EXPECT_EQ(button->CurrentState(), State::Dimmed);
    EXPECT_GE(hints.count(), 1);

    // Dimming a button under the mouse lets it go: a pressed state ends.
    button->SetDimmed(false);
    MoveOut();
    MoveIn();
    QTest::mousePress(button, Qt::LeftButton, {}, Inside());
    button->SetDimmed(true);
    QTest::mouseRelease(button, Qt::LeftButton, {}, Inside());
    EXPECT_FALSE(button->Pressed());
    EXPECT_EQ(clicks.count(), 0);
}

TEST_F(ButtonWindow, TheRollOverRectangleLimitsTheRollOverButNotTheEnter)
{
    button->RollLeft = 30;
    button->RollTop = 0;
    button->RollRight = 50;
    button->RollBottom = 20;
    QSignalSpy enters(button, &TBmpButton::OnEnter);
    QTest::mouseMove(button, QPoint(5, 5));
    EXPECT_EQ(enters.count(), 1);
    EXPECT_TRUE(button->MouseInside());
    EXPECT_EQ(button->CurrentState(), State::Off);
    QTest::mouseMove(button, QPoint(35, 10));
    EXPECT_EQ(button->CurrentState(), State::Roll);
    QTest::mouseMove(button, QPoint(50, 10));
    EXPECT_EQ(button->CurrentState(), State::Off) << "the right edge lies outside";
    EXPECT_EQ(enters.count(), 1);
}

TEST_F(ButtonWindow, HideOnLeaveHidesTheButtonWhenTheMouseGoes)
{
    button->HideOnLeave = true;
    MoveIn();
    EXPECT_TRUE(button->isVisible());
    MoveOut();
    EXPECT_FALSE(button->isVisible());
}

TEST_F(ButtonWindow, TheCaptionIsDrawnCentredInTheColourOfTheState)
{
    button->SetBmps(QStringLiteral("\\StdWin\\Message\\Full"), {}, {});
    button->SetCaption(QStringLiteral("WWWW"));
    button->Color = 0x000000FF;         // red
    button->ColorPressed = 0x00FF0000;  // blue
    QFont font = button->font();
    font.setPixelSize(20);
    font.setBold(true);
    button->setFont(font);
    auto colourCount = [&](QRgb wanted) {
        const QImage shot = button->grab().toImage().convertToFormat(QImage::Format_RGB32);
        int n = 0, minX = shot.width(), maxX = -1;
        for (int y = 0; y < shot.height(); ++y)
            for (int x = 0; x < shot.width(); ++x)
                if (std::abs(qRed(shot.pixel(x, y)) - qRed(wanted)) < 40 && std::abs(qGreen(shot.pixel(x, y)) - qGreen(wanted)) < 40
                    && std::abs(qBlue(shot.pixel(x, y)) - qBlue(wanted)) < 40) {
                    ++n;
                    minX = std::min(minX, x);
                    maxX = std::max(maxX, x);
                }
        return std::tuple(n, minX, maxX, shot.width());
    };
    EXPECT_EQ(std::get<0>(colourCount(qRgb(255, 0, 0))), 0) << "no caption without DrawCaption";
    button->SetDrawCaption(true);
    const auto [n, minX, maxX, width] = colourCount(qRgb(255, 0, 0));
    EXPECT_GT(n, 10);
    EXPECT_LE(std::abs((minX + maxX + 1) - width), 4) << "centred";
    button->SetPressed(true);
    EXPECT_GT(std::get<0>(colourCount(qRgb(0, 0, 255))), 10);
    EXPECT_EQ(std::get<0>(colourCount(qRgb(255, 0, 0))), 0);
}
