#pragma once
// A real main window with scripted dialogs, test files in a temporary folder, and the
// check that a test leaves no window behind.
#include "QtTestEnvironment.h"
#include "ScriptedDialogs.h"
#include "model/ORVAError.h"
#include "tests/support/TestFileBuilder.h"
#include "ui/UfrmETMain.h"

#include <QAction>
#include <QApplication>
#include <QMdiArea>
#include <QMdiSubWindow>

#include <gtest/gtest.h>

#include <memory>

namespace orva::test {

class TMainWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Window = std::make_unique<ui::TfrmETMain>(Dialogs);
        Window->show();
    }

    void TearDown() override
    {
        Window.reset();
        ProcessDeferredDeletes();
        QStringList left;
        for (QWidget* w : QApplication::topLevelWidgets())
            left.append(QString::fromLatin1(w->metaObject()->className()) + QStringLiteral(" '") + w->windowTitle() +
                        QStringLiteral("'"));
        EXPECT_TRUE(left.isEmpty()) << "windows left behind: " << left.join(", ").toStdString();
        EXPECT_EQ(QApplication::overrideCursor(), nullptr) << "the busy cursor was not restored";
    }

    /// Writes a consistent average file into the temporary folder and returns its path.
    QString WriteFile(const std::string& name, const TTestFileBuilder& builder)
    {
        const std::string path = Temp.Path(name);
        builder.WriteTo(path);
        return QString::fromStdString(path);
    }
    QString WriteAverage(const std::string& name, int cells = 2, int observations = 2, int samples = 8,
                         int channels = 3)
    {
        return WriteFile(name, TTestFileBuilder::Average(cells, observations, samples, channels));
    }

    /// Chooses a menu item as the user does (through the general error handler).
    void Choose(const char* item) { Window->MenuItem(item)->trigger(); }

    /// File > Open... answered with path.
    void OpenViaMenu(const QString& path)
    {
        Dialogs.OpenNames.push_back(path);
        Choose("miFileOpen");
    }

    int ChildCount() const { return static_cast<int>(Window->MdiArea()->subWindowList().size()); }
    QString Title() const { return Window->windowTitle(); }

    TTempDir Temp;
    TScriptedDialogs Dialogs;
    std::unique_ptr<ui::TfrmETMain> Window;
};

} // namespace orva::test
