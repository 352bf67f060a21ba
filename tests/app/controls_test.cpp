// The main window's settings column bound to the live diagram, the channel rows' choice of
// quantity, and the commands that open windows.

#include "Diagramx.h"
#include "Load_dat.h"
#include "Modal.h"
#include "Netifset.h"
#include "Var_dati.h"
#include "window_fixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QToolButton>

#include <vector>

namespace {

class ControlsTest : public OfflineWindowFixture {
protected:
    int queued()
    {
        const int n = queue_count();
        queue_flush();
        return n;
    }
};

} // namespace

// The column's controls act on the live diagram and the settings record (the column itself
// is tested on its own).
TEST_F(ControlsTest, SettingsColumnIsBoundToTheLiveDiagramAndTheSettings)
{
    window->CheckBox_scala_asse_y->click();
    EXPECT_EQ(link_state.settings.view_flags & 1u, 1u);
    EXPECT_EQ(live_diagram->view.fixedScale, 1);
    typeInto(window->Memo_asse_y_max_scale, "350");
    settleScale();
    EXPECT_EQ(link_state.settings.y_max, 350);
    EXPECT_EQ(live_diagram->view.fixedYMax, 350);
    window->UpDown_asse_y_min_scaleChangingEx(UpDown::Direction::Up);
    EXPECT_EQ(link_state.settings.y_min, -1999);

    window->CheckBox_Dat_Mis_[2]->click();
    EXPECT_EQ(live_diagram->channelVisible[2], 0);
    window->CheckBox_cursor_asseT->click();
    window->CheckBox_cursor_asseY->click();
    EXPECT_EQ(live_diagram->showTCursors, 1);
    EXPECT_EQ(live_diagram->showYCursors, 1);
    EXPECT_TRUE(recorder.messages().empty());
}

TEST_F(ControlsTest, ChannelRowsChooseQuantitiesOnlyWhileConnected)
{
    // Not connected: the row shows the new item, nothing is sent or kept.
    window->ComboBox_select_dat_mis[5]->setCurrentIndex(1);
    window->ComboBox_select_dat_misChange(5);
    EXPECT_EQ(link_state.channel_select[5], 5);
    EXPECT_EQ(queued(), 0);

    set_connection_state(LINK_CONNECTED);
    window->ComboBox_select_dat_misChange(5);
    EXPECT_EQ(link_state.channel_select[5], 1);
    EXPECT_EQ(queued(), 1);
}

// Set connection, Dati (twice: a grid of its own each time) and Load open their windows
// modally and forget them afterwards.
TEST_F(ControlsTest, CommandsOpenTheirWindowsModallyAndForgetThemAfterwards)
{
    std::vector<const QDialog*> shown;
    run_modal_hook = [&shown](QDialog& dialog) {
        EXPECT_TRUE(&dialog == Form_NetifSet || &dialog == Form_var_dati
                    || &dialog == Form_load_dat);
        shown.push_back(&dialog);
        return 0;
    };
    window->BitBtn_set_port_com->click();
    window->BitBtn_var_datiClick();
    window->BitBtn_var_datiClick();
    window->BitBtn_load_datClick();
    run_modal_hook = nullptr;
    ASSERT_EQ(shown.size(), 4u);
    EXPECT_EQ(Form_NetifSet, nullptr);
    EXPECT_EQ(Form_var_dati, nullptr);
    EXPECT_EQ(Form_load_dat, nullptr);
}
