// The main window's keyboard shortcuts run what choosing their menu items runs, and nothing
// while the item is disabled.

#include "window_fixture.h"

#include "Diagramx.h"

#include <QAction>
#include <QKeySequence>

#include <gmock/gmock.h>

#include <string>
#include <vector>

namespace {

class ShortcutsTest : public WindowFixture {};

std::vector<std::string> recorded_texts(const MessageRecorder& recorder)
{
    std::vector<std::string> texts;
    for (const RecordedMessage& m : recorder.messages())
        texts.push_back(m.text.toStdString());
    return texts;
}

TEST_F(ShortcutsTest, KeysRunTheirMenuCommandsOnlyWhileTheseAreEnabled)
{
    EXPECT_EQ(window->Menu_Salva->shortcut(), QKeySequence(QStringLiteral("Ctrl+S")));
    EXPECT_EQ(window->Menu_Stampa->shortcut(), QKeySequence(QStringLiteral("Ctrl+P")));
    EXPECT_EQ(window->Menu_Refresh->shortcut(), QKeySequence(QStringLiteral("F5")));
    EXPECT_TRUE(window->Menu_Chiudi_Main->shortcuts().contains(QKeySequence(QStringLiteral("Ctrl+Q"))));
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));

    // While an acquisition runs, saving and printing are disabled, and so are their keys.
    window->Button_start_stopClick();
    window->Timer_monitorTimer();
    ASSERT_FALSE(window->Menu_Salva->isEnabled());
    QTest::keyClick(window.get(), Qt::Key_S, Qt::ControlModifier);
    QTest::keyClick(window.get(), Qt::Key_P, Qt::ControlModifier);
    EXPECT_TRUE(recorder.messages().empty());

    // Stopped, the keys run the commands: with nothing captured, each says so (printing
    // first says that there is no printer, where the machine has none).
    window->Button_start_stopClick();
    window->Timer_monitorTimer();
    ASSERT_TRUE(window->Menu_Salva->isEnabled());
    QTest::keyClick(window.get(), Qt::Key_S, Qt::ControlModifier);
    QTest::keyClick(window.get(), Qt::Key_P, Qt::ControlModifier);
    const std::vector<std::string> texts = recorded_texts(recorder);
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0], "Nessun dato da Salvare!");
    EXPECT_THAT(texts[1], ::testing::AnyOf("Nessun dato da Stampare!", "Nessuna Stampante Rilevata!"));

    ASSERT_NE(live_diagram, nullptr);
    live_diagram->view.followLatest = 0;
    QTest::keyClick(window.get(), Qt::Key_F5);
    EXPECT_EQ(live_diagram->view.followLatest, 1);

    // Ctrl+Q closes the window as "Chiudi" does, which also takes the diagram away.
    QTest::keyClick(window.get(), Qt::Key_Q, Qt::ControlModifier);
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(live_diagram, nullptr);
}

} // namespace
