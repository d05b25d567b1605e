// Exporting from the editor as a person does it: the export window filled in by keys, the
// question about a page name, the performance window, the ad package and the estimate.
#include "app/startup.h"
#include "config/settings.h"
#include "document/project.h"
#include "editor/forms/exportforms.h"
#include "ui/forms/bmpbutton.h"
#include "ui/forms/msgform.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

using namespace kav;

namespace {

class ExportWindows : public ::testing::Test {
protected:
    void SetUp() override
    {
        StartOptions options;
        options.applicationDir = app.path() + "/";
        StartEngine(options);
        // The page template and the player come from the built program.
        settings().ApplicationDir = KAV_APP_DIR "/";
        settings().HtmlTemplate = KAV_APP_DIR "/Data/htmlTemp.htm";
        project.Open(KAV_APP_DIR "/Samples/showcase.plt");
        window.show();
        SetMessageBoxHandler([this](const QString&, const QString& text, int) {
            if (!text.contains("infobar.txt"))   // the hints' file of the real program's folder
                messages << text;
            return 1;
        });
    }
    void TearDown() override { SetMessageBoxHandler({}); }

    static void activate(QWidget& form)
    {
        form.show();
        QApplication::setActiveWindow(&form);
        EXPECT_TRUE(QTest::qWaitForWindowActive(&form));
    }

    // A button's mnemonic clicks it the way a button is clicked on screen: released a moment later.
    static void pressAltA(QWidget& form)
    {
        QTest::keyClick(&form, Qt::Key_A, Qt::AltModifier);
        QTest::qWait(150);
    }

    // Fills the export window by keys: the target typed over, the kind chosen with its
    // mnemonic, then Enter.
    std::optional<TExportChoice> fill(const TExportChoice& initial, const QString& target, bool ad, int loops)
    {
        TExportForm form(initial, &window);
        activate(form);
        if (ad)
            pressAltA(form);
        form.MaxLoops->setValue(loops);
        form.TargetEdit->setFocus();
        form.TargetEdit->selectAll();
        QTest::keyClicks(form.TargetEdit, target);
        QTest::keyClick(form.TargetEdit, Qt::Key_Return);
        if (form.result() != TStdPeltoForm::mrOk)
            return std::nullopt;
        return form.Choice();
    }

    QTemporaryDir app, out;
    TProject project;
    QWidget window;
    QStringList messages;
};

TEST_F(ExportWindows, WebPageAdPackageAndEstimate)
{
    TExportCommands commands(&window, project);
    std::optional<TPerformance> shown;
    bool shownAfterExport = false;
    commands.ShowPerformance = [&](const TPerformance& p, bool exported) {
        shown = p;
        shownAfterExport = exported;
        TStatForm form(p, exported, &window);
        form.show();
        EXPECT_TRUE(form.StdLabelTitle->isVisible() == exported);
        EXPECT_EQ(form.LabelGrade->text(), p.Grade);
        QTest::keyClick(&form, Qt::Key_Escape);
        EXPECT_FALSE(form.isVisible());
    };
    QString report;
    commands.ShowReport = [&](const QString& text) { report = text; };

    // The web page: the blank in its name is illegal on a web server, so it asks and changes it.
    commands.AskExport = [&](const TExportChoice& initial) {
        EXPECT_TRUE(initial.Target.endsWith("showcase.html")) << initial.Target.toStdString();
        return fill(initial, out.filePath("spring sale.html"), false, 3);
    };
    ASSERT_TRUE(commands.Export()) << messages.join("\n").toStdString();
    ASSERT_EQ(messages.size(), 1) << messages.join("\n").toStdString();
    EXPECT_TRUE(messages[0].contains("are illegal characters")) << messages[0].toStdString();
    EXPECT_TRUE(QFileInfo::exists(out.filePath("spring_sale/spring_sale.html"))) << QDir(out.path()).entryList().join(" ").toStdString();
    EXPECT_TRUE(QFileInfo::exists(out.filePath("spring_sale/player.js")));
    ASSERT_TRUE(shown && shownAfterExport);
    EXPECT_GT(shown->Sizes.Media, 0);
    EXPECT_TRUE(shown->Budget.join("\n").contains("never stops by itself"));

    // The ad package: the export window remembers the last target and turns it into a zip.
    commands.AskExport = [&](const TExportChoice& initial) {
        TExportForm form(initial, &window);
        activate(form);
        EXPECT_TRUE(form.TargetEdit->text().endsWith("spring sale.html"));
        pressAltA(form);
        EXPECT_TRUE(form.TargetEdit->text().endsWith("spring sale.zip"));
        EXPECT_TRUE(form.DropTimedUrls->isEnabled());
        form.DropTimedUrls->setChecked(true);
        QTest::keyClick(&form, Qt::Key_Return);
        return form.result() == TStdPeltoForm::mrOk ? std::optional(form.Choice()) : std::nullopt;
    };
    ASSERT_TRUE(commands.Export());
    EXPECT_TRUE(QFileInfo::exists(out.filePath("spring sale.zip")));
    EXPECT_TRUE(report.contains("is ready")) << report.toStdString();
    EXPECT_TRUE(report.contains("never stops by itself")) << report.toStdString();

    // The sample opens a page by itself: without leaving it out the ad is refused, with a message.
    commands.AskExport = [&](const TExportChoice& initial) {
        TExportChoice c = initial;
        c.DropTimedUrls = false;
        c.Target = out.filePath("refused.zip");
        return std::optional(c);
    };
    messages.clear();
    EXPECT_FALSE(commands.Export());
    ASSERT_EQ(messages.size(), 1);
    EXPECT_FALSE(QFileInfo::exists(out.filePath("refused.zip")));

    // Cancelled by Esc: nothing happens.
    commands.AskExport = [&](const TExportChoice& initial) -> std::optional<TExportChoice> {
        TExportForm form(initial, &window);
        form.show();
        QTest::keyClick(&form, Qt::Key_Escape);
        return form.result() == TStdPeltoForm::mrOk ? std::optional(form.Choice()) : std::nullopt;
    };
    EXPECT_FALSE(commands.Export());

    shown.reset();
    commands.EstimatedPerformance();
    ASSERT_TRUE(shown);
    EXPECT_FALSE(shownAfterExport);
    EXPECT_EQ(shown->Scenes, 3);
}

} // namespace
