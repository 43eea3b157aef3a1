// The life of the document: open, refuse, close, save as, the header window, and what
// holds while a load runs or fails.
#include "MainWindowFixture.h"

#include "plot/QtText.h"
#include "ui/UfrmMemo.h"
#include "ui/UfrmProgressbar.h"

#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTimer>

namespace orva::test {
namespace {

const QString kTitle = QStringLiteral("ORVA Toolbox 3-sept-2002");

// A child window that records, when it closes, whether the document still existed.
class TWatchingChild : public QWidget {
public:
    TWatchingChild(std::weak_ptr<TORVAFile> file, bool* documentAliveAtClose)
        : file_(std::move(file)), alive_(documentAliveAtClose)
    {
        setAttribute(Qt::WA_DeleteOnClose);
    }

protected:
    void closeEvent(QCloseEvent* event) override
    {
        *alive_ = !file_.expired();
        event->accept();
    }

private:
    std::weak_ptr<TORVAFile> file_;
    bool* alive_;
};

TEST_F(TMainWindowTest, CancelledOpenDialogChangesNothing)
{
    Dialogs.OpenNames.push_back(std::nullopt);
    Choose("miFileOpen");
    ASSERT_EQ(Dialogs.FileDialogs.size(), 1u);
    EXPECT_FALSE(Dialogs.FileDialogs[0].Save);
    EXPECT_EQ(Dialogs.FileDialogs[0].InitialFolder, Window->ProgramDir);
    EXPECT_EQ(Window->CurrentFile, nullptr);
    EXPECT_EQ(Title(), kTitle);
    EXPECT_TRUE(Dialogs.Messages.empty());
}

TEST_F(TMainWindowTest, OpenLoadsTheChosenFile)
{
    const QString path = WriteAverage("subject.ave", 3, 2, 5, 4);
    OpenViaMenu(path);
    ASSERT_NE(Window->CurrentFile, nullptr) << Dialogs.MessageTexts().join("\n").toStdString();
    EXPECT_EQ(Window->CurrentFile->FullFileName, path.toStdString());
    EXPECT_EQ(Window->CurrentFile->FileName, "subject.ave");
    EXPECT_TRUE(Window->CurrentFile->Saved);
    EXPECT_EQ(Window->CurrentFile->NumCells(), 3);
    EXPECT_EQ(Window->CurrentFile->Cells[2].Data(1, 4, 3), TTestFileBuilder::PatternSample(2, 1, 4, 3));
    EXPECT_EQ(Title(), kTitle + QStringLiteral(" - subject.ave"));
}

TEST_F(TMainWindowTest, RefusedFileLeavesTheOpenDocumentAndItsWindows)
{
    OpenViaMenu(WriteAverage("good.ave"));
    const auto before = Window->CurrentFile;
    ASSERT_NE(before, nullptr);
    Choose("miViewFileheader");

    struct {
        std::string Name;
        std::vector<std::uint8_t> Bytes;
        QString Reason;
    } cases[] = {
        {"short.ave", {1, 2}, QStringLiteral("Invalid file tag (byte order: 0)")},
        {"swapped.ave", {2, 1, 4, 3, 0xff, 0xff, 0, 0, 0, 0, 0, 0}, QStringLiteral("Bad byte order (33620995)")},
        {"version.ave", {1, 2, 3, 4, 0, 2, 0, 0, 0, 0, 0, 0}, QStringLiteral("Unhandled header version (2)")},
    };
    for (const auto& c : cases) {
        Dialogs.Messages.clear();
        WriteBytes(Temp.Path(c.Name), c.Bytes);
        const QString path = QString::fromStdString(Temp.Path(c.Name));
        OpenViaMenu(path);
        ASSERT_EQ(Dialogs.Messages.size(), 1u) << c.Name;
        EXPECT_EQ(Dialogs.Messages[0].Text, QStringLiteral("Error while opening ") + path + QStringLiteral(": ") + c.Reason);
        EXPECT_EQ(Dialogs.Messages[0].Caption, QStringLiteral("Error"));
        EXPECT_EQ(Dialogs.Messages[0].Icon, ui::TMessageIcon::Error);
        EXPECT_EQ(Window->CurrentFile, before) << c.Name;
        EXPECT_EQ(ChildCount(), 1) << c.Name;
        EXPECT_EQ(Title(), kTitle + QStringLiteral(" - good.ave"));
    }
}

TEST_F(TMainWindowTest, LengthQuestionYesLoadsNoRefuses)
{
    auto builder = TTestFileBuilder::Average(1, 1, 4, 2);
    builder.Trailing = {0};
    const QString path = WriteFile("long.ave", builder);
    const auto size = static_cast<int>(builder.Build().size());
    const QString question = QStringLiteral("Bad file length (%1+%2<>%3).\nOpen anyway ?")
                                 .arg(builder.HeaderSize())
                                 .arg(size - 1 - static_cast<int>(builder.HeaderSize()))
                                 .arg(size);

    Dialogs.YesNoAnswers.push_back(false);
    OpenViaMenu(path);
    ASSERT_EQ(Dialogs.Messages.size(), 2u);
    EXPECT_TRUE(Dialogs.Messages[0].Question);
    EXPECT_EQ(Dialogs.Messages[0].Text, question);
    EXPECT_EQ(Dialogs.Messages[0].Caption, QStringLiteral("Warning"));
    EXPECT_EQ(Dialogs.Messages[0].Icon, ui::TMessageIcon::Warning);
    EXPECT_EQ(Dialogs.Messages[1].Text, QStringLiteral("Error while opening ") + path + QStringLiteral(": Bad file length"));
    EXPECT_EQ(Window->CurrentFile, nullptr);

    Dialogs.YesNoAnswers.push_back(true);
    OpenViaMenu(path);
    ASSERT_NE(Window->CurrentFile, nullptr);
    EXPECT_EQ(Window->CurrentFile->FileName, "long.ave");
    EXPECT_EQ(Dialogs.Messages.size(), 3u);
}

TEST_F(TMainWindowTest, OpeningAnotherFileClosesTheOldWindowsFirst)
{
    OpenViaMenu(WriteAverage("first.ave"));
    const std::weak_ptr<TORVAFile> first = Window->CurrentFile;
    Choose("miViewFileheader");
    Choose("miViewFileheader");
    bool aliveAtClose = false;
    Window->AddChildWindow(new TWatchingChild(Window->CurrentFile, &aliveAtClose));
    ASSERT_EQ(ChildCount(), 3);

    OpenViaMenu(WriteAverage("second.ave"));
    EXPECT_EQ(ChildCount(), 0);
    EXPECT_TRUE(aliveAtClose) << "a child window outlived its document";
    EXPECT_TRUE(first.expired());
    EXPECT_EQ(Window->CurrentFile->FileName, "second.ave");
    EXPECT_EQ(Title(), kTitle + QStringLiteral(" - second.ave"));
}

TEST_F(TMainWindowTest, CloseFreesTheDocumentAfterItsWindows)
{
    OpenViaMenu(WriteAverage("subject.ave"));
    const std::weak_ptr<TORVAFile> document = Window->CurrentFile;
    bool aliveAtClose = false;
    Window->AddChildWindow(new TWatchingChild(document, &aliveAtClose));
    Choose("miViewFileheader");

    Choose("miFileClose");
    EXPECT_TRUE(Dialogs.Messages.empty()) << "a saved document is closed without a question";
    EXPECT_TRUE(aliveAtClose);
    EXPECT_TRUE(document.expired());
    EXPECT_EQ(ChildCount(), 0);
    EXPECT_EQ(Title(), kTitle);
}

TEST_F(TMainWindowTest, UnsavedDocumentIsKeptOnNo)
{
    OpenViaMenu(WriteAverage("subject.ave"));
    auto document = Window->CurrentFile;
    document->Saved = false;
    Choose("miViewFileheader");

    // Close: No keeps everything.
    Dialogs.YesNoAnswers.push_back(false);
    Choose("miFileClose");
    EXPECT_EQ(Window->CurrentFile, document);
    EXPECT_EQ(ChildCount(), 1);
    EXPECT_EQ(Title(), kTitle + QStringLiteral(" - subject.ave"));

    // Open of another file: No keeps the old document, the new one is not loaded.
    Dialogs.YesNoAnswers.push_back(false);
    OpenViaMenu(WriteAverage("other.ave"));
    EXPECT_EQ(Window->CurrentFile, document);
    EXPECT_EQ(ChildCount(), 1);
    EXPECT_EQ(Title(), kTitle + QStringLiteral(" - subject.ave"));

    // Yes discards it.
    Dialogs.YesNoAnswers.push_back(true);
    Choose("miFileClose");
    EXPECT_EQ(Window->CurrentFile, nullptr);
    EXPECT_EQ(ChildCount(), 0);
    ASSERT_EQ(Dialogs.Messages.size(), 3u);
    for (const auto& m : Dialogs.Messages) {
        EXPECT_TRUE(m.Question);
        EXPECT_EQ(m.Text, QStringLiteral("subject.ave not saved, do you want to discard changes ?"));
    }
}

TEST_F(TMainWindowTest, ErrorWhileLoadingLeavesNoDocumentAndNoProgressWindow)
{
    OpenViaMenu(WriteAverage("good.ave"));
    ASSERT_NE(Window->CurrentFile, nullptr);

    // A consistent length, but a negative number of cells: the loader stops after it began.
    auto builder = TTestFileBuilder::Average(0, 0, 0, 2);
    builder.NumCells = -1;
    const QString path = WriteFile("broken.ave", builder);
    OpenViaMenu(path);

    ASSERT_EQ(Dialogs.Messages.size(), 1u);
    EXPECT_TRUE(Dialogs.Messages[0].Text.startsWith(path + QStringLiteral(": "))) << Dialogs.Messages[0].Text.toStdString();
    EXPECT_EQ(Dialogs.Messages[0].Caption, QStringLiteral("Error"));
    EXPECT_EQ(Window->CurrentFile, nullptr) << "the old document was closed before loading";
    EXPECT_EQ(Title(), kTitle);
    EXPECT_FALSE(Window->IsBusy());
    EXPECT_TRUE(Window->MenuItem("miFileOpen")->isEnabled());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    ProcessDeferredDeletes();
    EXPECT_TRUE(VisibleTopLevelWindows() == QWidgetList({Window.get()}));
}

TEST_F(TMainWindowTest, WhileLoadingCommandsAreHeldOffAndTheWindowStaysOpen)
{
    const QString path = WriteAverage("subject.ave", 1, 3, 4, 2);
    struct {
        bool Ran = false;
        bool Busy = false;
        bool OpenEnabled = true;
        bool QuitEnabled = true;
        bool WindowClosed = true;
        bool ProgressClosed = true;
        QString ProgressCaption;
        bool WaitCursor = false;
    } seen;
    // Fires in the first turn that the loader gives the user interface.
    QTimer::singleShot(0, Window.get(), [&] {
        seen.Ran = true;
        seen.Busy = Window->IsBusy();
        seen.OpenEnabled = Window->MenuItem("miFileOpen")->isEnabled();
        seen.QuitEnabled = Window->MenuItem("miFileQuit")->isEnabled();
        seen.WaitCursor = QApplication::overrideCursor() && QApplication::overrideCursor()->shape() == Qt::WaitCursor;
        if (auto* progress = Window->findChild<ui::TfrmProgressbar*>()) {
            seen.ProgressCaption = progress->windowTitle();
            seen.ProgressClosed = progress->close();
        }
        seen.WindowClosed = Window->close();
        Window->miFileOpenClick(); // refused at once: the open dialog is not shown
    });
    OpenViaMenu(path);

    ASSERT_TRUE(seen.Ran);
    EXPECT_TRUE(seen.Busy);
    EXPECT_FALSE(seen.OpenEnabled);
    EXPECT_FALSE(seen.QuitEnabled);
    EXPECT_TRUE(seen.WaitCursor);
    EXPECT_EQ(seen.ProgressCaption, QStringLiteral("Loading subject.ave..."));
    EXPECT_FALSE(seen.ProgressClosed) << "the progress window closed before the end";
    EXPECT_FALSE(seen.WindowClosed) << "the main window closed during a load";
    EXPECT_EQ(Dialogs.FileDialogs.size(), 1u);

    ASSERT_NE(Window->CurrentFile, nullptr);
    EXPECT_TRUE(Window->isVisible());
    EXPECT_TRUE(Window->MenuItem("miFileOpen")->isEnabled());
    EXPECT_EQ(Window->findChild<ui::TfrmProgressbar*>(), nullptr);
}

TEST_F(TMainWindowTest, SaveAsWritesTheDocumentAndKeepsItsName)
{
    const QString path = WriteAverage("subject.ave", 2, 2, 6, 3);
    OpenViaMenu(path);
    ASSERT_NE(Window->CurrentFile, nullptr);
    Window->CurrentFile->Saved = false;
    const QString copy = QString::fromStdString(Temp.Path("copy.ave"));
    Dialogs.SaveNames.push_back(copy);
    Choose("miFileSaveas");

    ASSERT_EQ(Dialogs.FileDialogs.size(), 2u);
    EXPECT_TRUE(Dialogs.FileDialogs[1].Save);
    EXPECT_EQ(Dialogs.FileDialogs[1].InitialFolder, QString::fromStdString(Temp.Root() + "/"));
    EXPECT_TRUE(Dialogs.FileDialogs[1].Title.isEmpty());
    EXPECT_EQ(ReadBytes(copy.toStdString()), ReadBytes(path.toStdString()));
    EXPECT_TRUE(Window->CurrentFile->Saved);
    EXPECT_EQ(Window->CurrentFile->FullFileName, path.toStdString());
    EXPECT_EQ(Title(), kTitle + QStringLiteral(" - subject.ave"));

    // Saved again: Close asks nothing.
    Choose("miFileClose");
    EXPECT_TRUE(Dialogs.Messages.empty()) << Dialogs.MessageTexts().join("\n").toStdString();
}

TEST_F(TMainWindowTest, SaveAsCancelledWritesNothing)
{
    OpenViaMenu(WriteAverage("subject.ave"));
    Window->CurrentFile->Saved = false;
    Dialogs.SaveNames.push_back(std::nullopt);
    Choose("miFileSaveas");
    EXPECT_FALSE(Window->CurrentFile->Saved);
    EXPECT_TRUE(Dialogs.Messages.empty());
}

TEST_F(TMainWindowTest, FileHeaderOpensAnIndependentReportEachTime)
{
    OpenViaMenu(WriteAverage("subject.ave"));
    std::vector<std::string> report;
    Window->CurrentFile->GetHeaderText(report);
    ASSERT_FALSE(report.empty());

    Choose("miViewFileheader");
    Choose("miViewFileheader");
    const auto windows = Window->MdiArea()->subWindowList();
    ASSERT_EQ(windows.size(), 2);
    QStringList expected;
    for (const auto& line : report)
        expected.append(QString::fromStdString(line));
    for (QMdiSubWindow* sub : windows) {
        auto* memo = qobject_cast<ui::TfrmMemo*>(sub->widget());
        ASSERT_NE(memo, nullptr);
        EXPECT_EQ(memo->windowTitle(), QStringLiteral("subject.ave file header"));
        EXPECT_EQ(memo->Lines(), expected);
        EXPECT_TRUE(memo->Memo1->isReadOnly());
        EXPECT_EQ(memo->Memo1->lineWrapMode(), QPlainTextEdit::NoWrap);
        EXPECT_EQ(memo->Memo1->font().family(), QFontDatabase::systemFont(QFontDatabase::FixedFont).family());
        EXPECT_EQ(sub->size(), QSize(308, 231));
    }
    // Each window holds its own copy of the report.
    qobject_cast<ui::TfrmMemo*>(windows[0]->widget())->Memo1->setPlainText("changed");
    EXPECT_EQ(qobject_cast<ui::TfrmMemo*>(windows[1]->widget())->Lines(), expected);

    // A header window discards itself when closed.
    QPointer<QMdiSubWindow> first = windows[0];
    first->close();
    ProcessDeferredDeletes();
    EXPECT_TRUE(first.isNull());
    EXPECT_EQ(ChildCount(), 1);
}

TEST_F(TMainWindowTest, CommandLinePathOpensAtStart)
{
    Window->OpenStartFile({QStringLiteral("orva-toolbox")});
    EXPECT_EQ(Window->CurrentFile, nullptr);

    // A relative path is taken from the current folder, and the document keeps the full path.
    const QString path = WriteAverage("start.ave");
    const QString previous = QDir::currentPath();
    QDir::setCurrent(QString::fromStdString(Temp.Root()));
    Window->OpenStartFile({QStringLiteral("orva-toolbox"), QStringLiteral("start.ave")});
    QDir::setCurrent(previous);
    ASSERT_NE(Window->CurrentFile, nullptr) << Dialogs.MessageTexts().join("\n").toStdString();
    EXPECT_EQ(plot::PathToText(Window->CurrentFile->FullFileName), QFileInfo(path).absoluteFilePath());

    // A file that cannot be opened is reported; the open document stays.
    Window->OpenStartFile({QStringLiteral("orva-toolbox"), QString::fromStdString(Temp.Path("absent.ave"))});
    ASSERT_NE(Window->CurrentFile, nullptr);
    EXPECT_EQ(Window->CurrentFile->FileName, "start.ave");
    ASSERT_EQ(Dialogs.Messages.size(), 1u);
    EXPECT_TRUE(Dialogs.Messages[0].Text.contains(QStringLiteral("absent.ave"))) << Dialogs.Messages[0].Text.toStdString();
}

} // namespace
} // namespace orva::test
