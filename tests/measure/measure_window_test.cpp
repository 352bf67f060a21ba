// The "Misure" window on a diagram: what it lists, what it copies, that it follows the
// picture and the T cursors, and that it outlives its diagram.

#include "MeasureWindow.h"
#include "paint_support.h"

#include <QAction>
#include <QClipboard>
#include <QLabel>
#include <QMenu>
#include <QTableWidget>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

// 10000 samples a millisecond apart; the picture follows the newest 5000 (t = 5 .. 9.999).
// Channel n holds 10 n + (i mod 5); channel 3 holds no number; channel 2 is hidden.
struct MeasureScene {
    DiagramHost h{600, 400};
    Diagramx& d = *h.d;
    MeasureScene()
    {
        QLocale::setDefault(QLocale::c());
        h.host->show();
        h.append(10000, [](int c, int i, double) {
            return c == 3 ? std::numeric_limits<double>::quiet_NaN() : 10.0 * c + i % 5;
        });
        d.channelVisible[2] = 0;
        d.Redraw();
    }
};

QString name(int channel)
{
    return QStringLiteral("Canale %1").arg(channel + 1);
}

QStringList row(const QTableWidget& table, int r)
{
    QStringList cells;
    for (int c = 0; c < table.columnCount(); ++c)
        cells << table.item(r, c)->text();
    return cells;
}

TEST(MeasureWindow, ListsTheShownChannelsAndCopiesThem)
{
    MeasureScene s;
    MeasureWindow w(nullptr, &s.d, name);
    w.open();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));

    EXPECT_EQ(w.rangeLabel->text(), QStringLiteral("Tratto mostrato: da 5.0000000 a 9.9990000 s"));
    ASSERT_EQ(w.table->rowCount(), 7); // channel 3 is hidden
    EXPECT_EQ(row(*w.table, 0),
              (QStringList{"Canale 1", "0", "4", "4", "2.000000", "2.449490", "5000"}));
    EXPECT_EQ(row(*w.table, 2), (QStringList{"Canale 4", "---", "---", "---", "---", "---", "0"}));

    EXPECT_EQ(w.tableText().section(u'\n', 1, 1),
              QStringLiteral("Canale 1\t0\t4\t4\t2.000000\t2.449490\t5000"));

    QApplication::clipboard()->clear();
    QTest::keyClick(&w, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), w.tableText());
}

TEST(MeasureWindow, FollowsThePictureAndTheTCursors)
{
    MeasureScene s;
    MeasureWindow w(nullptr, &s.d, name);
    w.open();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));

    // New samples: the picture moves on, and so do the figures.
    s.h.append(5000, [](int c, int, double) { return 100.0 + c; });
    s.d.Redraw();
    EXPECT_EQ(row(*w.table, 0),
              (QStringList{"Canale 1", "100", "100", "0", "100.000000", "100.000000", "5000"}));

    // With the T cursors on, the samples between them.
    s.d.showTCursors = 1;
    s.d.Redraw();
    auto between = [&s] {
        const double a = s.d.CursorReading(CursorT1), b = s.d.CursorReading(CursorT2);
        int n = 0;
        for (std::uint32_t k = s.d.head; k != s.d.tail; k = s.d.RingAdd(k, 1))
            n += s.d.samples[k].t >= std::min(a, b) && s.d.samples[k].t <= std::max(a, b);
        return QString::number(n);
    };
    EXPECT_TRUE(w.rangeLabel->text().startsWith(QStringLiteral("Tra i cursori T: da ")));
    EXPECT_EQ(w.table->item(0, ColumnSamples)->text(), between());

    // Dragging a cursor updates the table without a repaint.
    const std::uint64_t paints = s.d.paintCount();
    const DrawArea& t2 = s.d.cursorItem[CursorT2];
    const QPoint handle(t2.left + 10, t2.top + 10);
    s.d.PlotMouseDown(mouse_at(handle));
    s.d.PlotMouseMove(mouse_at(handle - QPoint(80, 0)));
    s.d.PlotMouseUp(mouse_at(handle - QPoint(80, 0)));
    EXPECT_EQ(s.d.paintCount(), paints);
    EXPECT_EQ(w.table->item(0, ColumnSamples)->text(), between());
}

// The diagram goes with its window: the measure window opened from the menu stays, empty.
TEST(MeasureWindow, MenuItemOpensAWindowThatOutlivesTheDiagram)
{
    QWidget owner;
    QMenu menu;
    auto s = std::make_unique<MeasureScene>();
    add_measure_menu_item(
        &menu, &owner, [&] { return &s->d; }, name)
        ->trigger();
    auto* window = owner.findChild<MeasureWindow*>();
    ASSERT_TRUE(window);
    EXPECT_TRUE(window->follows());
    s.reset();
    EXPECT_FALSE(window->follows());
    window->refresh();
    EXPECT_EQ(window->table->rowCount(), 0);
    EXPECT_EQ(window->tableText().count(u'\n'), 1); // the headings only
}

} // namespace
