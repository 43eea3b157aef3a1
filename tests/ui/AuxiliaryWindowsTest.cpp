// The progress window and its display, the about box, the length question and the real dialogs.
#include "QtTestEnvironment.h"
#include "ScriptedDialogs.h"
#include "model/ORVAError.h"
#include "tests/support/TestFileBuilder.h"

#include "ui/UfrmAbout.h"
#include "ui/UfrmProgressbar.h"
#include "ui/WindowProgress.h"

#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <climits>

namespace orva::test {
namespace {

class TAuxiliaryWindowTest : public ::testing::Test {
protected:
    void SetUp() override { Owner.show(); }
    void TearDown() override
    {
        ProcessDeferredDeletes();
        const QWidgetList visible = VisibleTopLevelWindows();
        EXPECT_TRUE(visible == QWidgetList({&Owner})) << visible.size() << " windows visible";
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    }
    QWidget Owner;
};

TEST_F(TAuxiliaryWindowTest, ProgressWindowRefusesToCloseBeforeTheEnd)
{
    QPointer<ui::TfrmProgressbar> window = new ui::TfrmProgressbar(&Owner);
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_FALSE(window->isModal());
    window->SetMaximum(10);
    window->SetPosition(9);
    EXPECT_FALSE(window->close());
    QTest::keyClick(window, Qt::Key_Escape);
    ProcessDeferredDeletes();
    ASSERT_FALSE(window.isNull());
    EXPECT_TRUE(window->isVisible());

    window->SetPosition(10);
    EXPECT_TRUE(window->close());
    ProcessDeferredDeletes();
    EXPECT_TRUE(window.isNull()) << "the window does not discard itself";
}

TEST_F(TAuxiliaryWindowTest, ProgressBarTakesCountsBeyond32Bits)
{
    const struct {
        std::int64_t Maximum;
        std::int64_t Position;
    } cases[] = {{1, 0}, {65536 + 1, 40000}, {INT_MAX, INT_MAX - 1}, {5'000'000'001LL, 2'500'000'000LL},
                 {std::int64_t{1} << 40, std::int64_t{1} << 39}};
    auto* window = new ui::TfrmProgressbar(&Owner);
    for (const auto& c : cases) {
        window->SetMaximum(c.Maximum);
        window->SetPosition(c.Position);
        EXPECT_EQ(window->Maximum(), c.Maximum);
        EXPECT_EQ(window->Position(), c.Position);
        EXPECT_EQ(window->pb1->minimum(), 0);
        EXPECT_GT(window->pb1->maximum(), 0);
        const double shown = double(window->pb1->value()) / window->pb1->maximum();
        EXPECT_NEAR(shown, double(c.Position) / double(c.Maximum), 1e-6) << c.Maximum;
    }
    window->SetPosition(window->Maximum());
    window->close();
}

TEST_F(TAuxiliaryWindowTest, ProgressDisplayShowsAndEndsTheWindow)
{
    ui::TWindowProgress progress(&Owner);
    progress.Begin("Saving copy.ave...");
    QPointer<ui::TfrmProgressbar> window = progress.Window();
    ASSERT_FALSE(window.isNull());
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Saving copy.ave..."));
    EXPECT_EQ(window->parentWidget(), &Owner);
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    EXPECT_EQ(window->Maximum(), 1);

    progress.AddToMaximum(3'000'000'000LL); // beyond the bar's own range
    progress.ProcessPendingEvents();
    progress.Advance(1'000'000'000LL);
    EXPECT_EQ(window->Maximum(), 3'000'000'001LL);
    EXPECT_EQ(window->Position(), 1'000'000'000LL);
    EXPECT_FALSE(window->close());

    progress.End();
    EXPECT_TRUE(window.isNull()) << "End leaves the window behind";
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    progress.End(); // a second End does nothing
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(TAuxiliaryWindowTest, ProgressDisplayCleansUpWhenTheOperationFails)
{
    QPointer<ui::TfrmProgressbar> window;
    try {
        ui::TWindowProgress progress(&Owner);
        TProgressScope scope(&progress, "Loading broken.ave...");
        scope.AddToMaximum(100);
        window = progress.Window();
        throw EORVAError("broken.ave", "Invalid header");
    } catch (const EORVAError&) {
    }
    EXPECT_TRUE(window.isNull());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(TAuxiliaryWindowTest, AboutBoxShowsVersionAndContact)
{
    ui::TfrmAbout about(&Owner);
    EXPECT_EQ(about.windowTitle(), QStringLiteral("About ORVA Toolbox"));
    EXPECT_EQ(about.lblVersion->text(), QStringLiteral("Version: 3-sept-2002"));
    EXPECT_EQ(about.lblContact->text(), QStringLiteral("Contact: orva-toolbox@lab.invalid"));
    EXPECT_EQ(about.btnClose->text(), QStringLiteral("Close"));
    EXPECT_TRUE(about.btnClose->isDefault());
    about.show();
    EXPECT_EQ(about.minimumSize(), about.maximumSize()) << "the box can be resized";
    EXPECT_FALSE(about.windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(about.windowFlags() & Qt::WindowMaximizeButtonHint);
    about.close();
}

TEST_F(TAuxiliaryWindowTest, AboutBoxClosesEveryWay)
{
    const struct {
        const char* Name;
        std::function<void(ui::TfrmAbout&)> Leave;
    } ways[] = {
        {"Close button", [](ui::TfrmAbout& a) { QTest::mouseClick(a.btnClose, Qt::LeftButton); }},
        {"Enter", [](ui::TfrmAbout& a) { QTest::keyClick(&a, Qt::Key_Return); }},
        {"Escape", [](ui::TfrmAbout& a) { QTest::keyClick(&a, Qt::Key_Escape); }},
        {"title bar close", [](ui::TfrmAbout& a) { a.close(); }},
    };
    for (const auto& way : ways) {
        ui::TfrmAbout about(&Owner);
        bool wasModal = false;
        OnNextModalDialog([&](QWidget* dialog) {
            wasModal = dialog == &about;
            way.Leave(about);
        });
        about.exec();
        EXPECT_TRUE(wasModal) << way.Name;
        EXPECT_FALSE(about.isVisible()) << way.Name;
    }
}

TEST(TLengthQuestionTest, ShowsTheCarriageReturnAsALineBreak)
{
    for (const bool answer : {true, false}) {
        TScriptedDialogs dialogs;
        dialogs.YesNoAnswers.push_back(answer);
        ui::TDialogLengthQuestion question(dialogs, nullptr);
        EXPECT_EQ(question.AskOpenAnyway("Bad file length (10+20<>31).\rOpen anyway ?"), answer);
        ASSERT_EQ(dialogs.Messages.size(), 1u);
        EXPECT_EQ(dialogs.Messages[0].Text, QStringLiteral("Bad file length (10+20<>31).\nOpen anyway ?"));
        EXPECT_EQ(dialogs.Messages[0].Caption, QStringLiteral("Warning"));
        EXPECT_EQ(dialogs.Messages[0].Icon, ui::TMessageIcon::Warning);
    }
}

// The real dialogs, inspected while they are open and answered with the keyboard.
class TQtDialogsTest : public TAuxiliaryWindowTest {
protected:
    ui::TQtDialogs Dialogs;
};

TEST_F(TQtDialogsTest, YesNoBoxDefaultsToYes)
{
    const struct {
        Qt::Key Key;
        bool Expected;
    } cases[] = {{Qt::Key_Return, true}, {Qt::Key_Escape, false}};
    for (const auto& c : cases) {
        QString caption;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        OnNextModalDialog([&](QWidget* dialog) {
            auto* box = qobject_cast<QMessageBox*>(dialog);
            ASSERT_NE(box, nullptr);
            caption = box->windowTitle();
            icon = box->icon();
            QTest::keyClick(box, c.Key);
        });
        EXPECT_EQ(Dialogs.AskYesNo(&Owner, "Open anyway ?", "Warning", ui::TMessageIcon::Warning), c.Expected);
        EXPECT_EQ(caption, QStringLiteral("Warning"));
        EXPECT_EQ(icon, QMessageBox::Warning);
    }
}

TEST_F(TQtDialogsTest, MessageBoxCarriesCaptionAndIcon)
{
    QString text, caption;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    OnNextModalDialog([&](QWidget* dialog) {
        auto* box = qobject_cast<QMessageBox*>(dialog);
        ASSERT_NE(box, nullptr);
        text = box->text();
        caption = box->windowTitle();
        icon = box->icon();
        QTest::keyClick(box, Qt::Key_Return);
    });
    Dialogs.ShowMessage(&Owner, "a.ave: Cannot open", "Error", ui::TMessageIcon::Error);
    EXPECT_EQ(text, QStringLiteral("a.ave: Cannot open"));
    EXPECT_EQ(caption, QStringLiteral("Error"));
    EXPECT_EQ(icon, QMessageBox::Critical);
}

TEST_F(TQtDialogsTest, FileDialogsAreSetUpAndCancelGivesNothing)
{
    TTempDir temp;
    struct TSeen {
        QFileDialog::FileMode Mode = QFileDialog::AnyFile;
        QFileDialog::AcceptMode Accept = QFileDialog::AcceptOpen;
        QStringList Filters;
        QString Folder;
        QString Title;
        QString Suffix = "unset";
        bool ConfirmOverwrite = true;
    };
    auto inspect = [](TSeen& seen) {
        return [&seen](QWidget* dialog) {
            auto* d = qobject_cast<QFileDialog*>(dialog);
            ASSERT_NE(d, nullptr);
            seen = {d->fileMode(), d->acceptMode(), d->nameFilters(), d->directory().absolutePath(), d->windowTitle(),
                    d->defaultSuffix(), !d->testOption(QFileDialog::DontConfirmOverwrite)};
            d->reject();
        };
    };
    const QString folder = QString::fromStdString(temp.Root());

    TSeen open;
    OnNextModalDialog(inspect(open));
    EXPECT_EQ(Dialogs.GetOpenFileName(&Owner, folder), std::nullopt);
    EXPECT_EQ(open.Mode, QFileDialog::ExistingFile);
    EXPECT_EQ(open.Accept, QFileDialog::AcceptOpen);
    EXPECT_EQ(open.Filters, QStringList({"all files (*)"}));
    EXPECT_EQ(open.Folder, folder);

    TSeen save;
    OnNextModalDialog(inspect(save));
    EXPECT_EQ(Dialogs.GetSaveFileName(&Owner, folder + "/", "Scatter cells as..."), std::nullopt);
    EXPECT_EQ(save.Accept, QFileDialog::AcceptSave);
    EXPECT_EQ(save.Filters, QStringList({"all files (*)"}));
    EXPECT_EQ(save.Folder, folder);
    EXPECT_EQ(save.Title, QStringLiteral("Scatter cells as..."));
    EXPECT_TRUE(save.Suffix.isEmpty());
    EXPECT_FALSE(save.ConfirmOverwrite);
}

} // namespace
} // namespace orva::test
