// Keyboard use of the main window: mnemonics on every menu and item, and the "not saved"
// question that Enter answers with No.
#include "MainWindowFixture.h"

#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

namespace orva::test {
namespace {

// The letter after the single "&" of a caption, upper case; none without one.
std::optional<QChar> Mnemonic(const QAction* action)
{
    const QString text = action->text();
    const qsizetype at = text.indexOf(QLatin1Char('&'));
    if (at < 0 || at + 1 >= text.size() || text.indexOf(QLatin1Char('&'), at + 1) >= 0)
        return std::nullopt;
    return text.at(at + 1).toUpper();
}

void ExpectDistinctMnemonics(const QList<QAction*>& actions, const QString& where)
{
    QSet<QChar> used;
    for (const QAction* a : actions) {
        if (a->isSeparator())
            continue;
        const auto key = Mnemonic(a);
        ASSERT_TRUE(key.has_value()) << where.toStdString() << ": " << a->text().toStdString();
        EXPECT_FALSE(used.contains(*key)) << where.toStdString() << ": " << a->text().toStdString() << " repeats "
                                          << QString(*key).toStdString();
        used.insert(*key);
    }
}

TEST_F(TMainWindowTest, EveryMenuAndItemHasItsOwnMnemonic)
{
    ExpectDistinctMnemonics(Window->menuBar()->actions(), QStringLiteral("menu bar"));
    for (QAction* top : Window->menuBar()->actions())
        if (top->menu())
            ExpectDistinctMnemonics(top->menu()->actions(), top->text());
}

TEST_F(TMainWindowTest, AltLetterOpensItsMenu)
{
    const struct {
        Qt::Key Key;
        const char* Menu;
    } cases[] = {{Qt::Key_F, "miFile"}, {Qt::Key_V, "miView"}, {Qt::Key_T, "miTools"}};
    for (const auto& c : cases) {
        auto* menu = Window->findChild<QMenu*>(QLatin1String(c.Menu));
        ASSERT_NE(menu, nullptr);
        QApplication::setActiveWindow(Window.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(Window.get()));
        QTest::keyClick(Window.get(), c.Key, Qt::AltModifier);
        EXPECT_TRUE(menu->isVisible()) << c.Menu;
        // Esc closes the menu, a second Esc leaves the menu bar.
        QTest::keyClick(menu, Qt::Key_Escape);
        QTest::keyClick(Window->menuBar(), Qt::Key_Escape);
        EXPECT_FALSE(menu->isVisible()) << c.Menu;
    }
}

TEST_F(TMainWindowTest, NotSavedQuestionDefaultsToNo)
{
    OpenViaMenu(WriteAverage("subject.ave"));
    ASSERT_NE(Window->CurrentFile, nullptr);
    Window->CurrentFile->Saved = false;
    Choose("miFileClose"); // the scripted answer queue is empty: the test reads the question
    ASSERT_EQ(Dialogs.Messages.size(), 1u);
    EXPECT_TRUE(Dialogs.Messages[0].Question);
    EXPECT_EQ(Dialogs.Messages[0].Default, ui::TDefaultAnswer::No);
    EXPECT_NE(Window->CurrentFile, nullptr);
}

// The real question box: Enter answers the default button, Esc always No.
TEST(TQtYesNoTest, EnterAnswersTheDefaultAndEscapeNo)
{
    const struct {
        ui::TDefaultAnswer Default;
        Qt::Key Key;
        bool Expected;
    } cases[] = {{ui::TDefaultAnswer::No, Qt::Key_Return, false},
                 {ui::TDefaultAnswer::No, Qt::Key_Escape, false},
                 {ui::TDefaultAnswer::Yes, Qt::Key_Return, true},
                 {ui::TDefaultAnswer::Yes, Qt::Key_Escape, false}};
    ui::TQtDialogs dialogs;
    QWidget owner;
    owner.show();
    for (const auto& c : cases) {
        QString defaultButton;
        OnNextModalDialog([&](QWidget* dialog) {
            auto* box = qobject_cast<QMessageBox*>(dialog);
            ASSERT_NE(box, nullptr);
            defaultButton = box->defaultButton() ? box->defaultButton()->text() : QString();
            QTest::keyClick(box, c.Key);
        });
        const bool answer = dialogs.AskYesNo(&owner, QStringLiteral("a.ave not saved, do you want to discard changes ?"),
                                             QStringLiteral("Warning ! File not Saved"), ui::TMessageIcon::Warning,
                                             c.Default);
        EXPECT_EQ(answer, c.Expected) << "key " << c.Key;
        EXPECT_EQ(defaultButton.remove(QLatin1Char('&')),
                  c.Default == ui::TDefaultAnswer::No ? QStringLiteral("No") : QStringLiteral("Yes"));
    }
    owner.close();
    ProcessDeferredDeletes();
}

} // namespace
} // namespace orva::test
