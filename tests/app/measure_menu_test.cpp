// The main window's "Misure" item: it opens the measurement window on the live diagram,
// with the channels named as their selectors show them.

#include "Diagramx.h"
#include "MeasureWindow.h"
#include "window_fixture.h"

#include <QAction>
#include <QComboBox>
#include <QMenu>

TEST_F(WindowFixture, MisureOpensOnTheLiveDiagramWithTheSelectorsNames)
{
    auto* item = window->findChild<QAction*>(QStringLiteral("Menu_Misure"));
    ASSERT_TRUE(item);
    EXPECT_TRUE(window->Comandi1->actions().contains(item));
    window->ComboBox_select_dat_mis[0]->setCurrentIndex(2);
    window->BitBtn1Click(); // test samples
    item->trigger();
    auto* misure = window->findChild<MeasureWindow*>();
    ASSERT_TRUE(misure);
    EXPECT_TRUE(misure->isVisible());
    const QStringList lines = misure->tableText().split(u'\n');
    ASSERT_EQ(lines.size(), 10); // headings, eight channels, the empty rest
    EXPECT_TRUE(lines[1].startsWith(window->ComboBox_select_dat_mis[0]->currentText() + u'\t'));
    EXPECT_FALSE(lines[1].contains(QStringLiteral("---")));
}
