// What the program starts with: the viewer alone on a file named on the command line (no
// main window, no socket thread), also when the file cannot be read.

#include "Diagramx.h"
#include "Dmg_file.h"
#include "Load_dat.h"
#include "Startup.h"
#include "window_fixture.h"

#include <QToolButton>

#include <memory>

namespace {

void write_diagram(const QString& path)
{
    QWidget host;
    Diagramx d(&host, 8, 5000, 20001);
    double v[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    for (int k = 0; k < 50; ++k)
        d.AddSample(k * 0.001, v, 8);
    DmgDisplaySettings s;
    for (int i = 0; i < 8; ++i)
        s.names[i] = QStringLiteral("Velocita %1").arg(i + 1);
    dmg_write(path, d, s);
}

TEST(ViewerAlone, AFileOnTheCommandLineOpensOnlyTheViewer)
{
    QTemporaryDir folder;
    const QString good = folder.filePath("prova.dmg");
    write_diagram(good);
    const struct {
        QString path;
        bool loaded;
        QString message; // the exception box's title (the reader's own: dmg_file_test.cpp)
    } cases[] = {
        {good, true, {}}, {folder.path(), false, "Grafion"}, // exists, but cannot be read as a file
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        MessageRecorder recorder;
        link_state_reset();
        StartedWindows w = start_windows(parse_command_line({"grafion", c.path}));
        // Nothing of the acquisition side exists, so nothing is ever sent.
        EXPECT_EQ(w.main, nullptr);
        EXPECT_EQ(Form_net, nullptr);
        EXPECT_EQ(link_state.link_thread.load(), nullptr);
        ASSERT_NE(w.viewer, nullptr);
        EXPECT_EQ(Form_load_dat, w.viewer.get());
        EXPECT_TRUE(w.viewer->isVisible());
        EXPECT_EQ(w.viewer->BitBtn_Refresh->isEnabled(), c.loaded);
        EXPECT_EQ(w.viewer->Panel_dat_mis[7]->caption(), c.loaded ? "Velocita 8" : "");
        const auto messages = recorder.messages();
        if (c.message.isEmpty()) {
            EXPECT_TRUE(messages.empty());
        } else {
            ASSERT_EQ(messages.size(), 1u);
            EXPECT_TRUE(messages[0].text == c.message || messages[0].title == c.message);
        }
        w.viewer.reset();
        EXPECT_EQ(Form_load_dat, nullptr);
    }
}

} // namespace
