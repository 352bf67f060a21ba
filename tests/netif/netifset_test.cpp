// The interface selection window over a fixed adapter list, in a folder of its own.
#include "Fz_netif.h"
#include "Globvar.h"
#include "Netifset.h"
#include "Settings_file.h"
#include "message_box.h"
#include "netif_test_support.h"

#include <QPushButton>
#include <QTableWidget>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <ostream>

void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

namespace {

const MacAddress mac_a{0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E};
const MacAddress mac_b{0xAC, 0xDE, 0x48, 0x00, 0x11, 0xFF};
const MacAddress mac_c{0x02, 0x00, 0x00, 0x00, 0x00, 0x0C};

QString cell(const QTableWidget* view, int row, int column)
{
    const QTableWidgetItem* item = view->item(row, column);
    return item ? item->text() : QStringLiteral("<none>");
}

QString mac_text(const MacAddress& mac)
{
    return hardware_address_text(mac.data(), 6);
}

class NetifSetWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        link_state_reset();
        settings_load();
        adapter_source_set(&source);
        source.adapters = {
            adapter("Scheda A", mac_a, "192.168.1.20"),
            adapter("Scheda B", mac_b, "10.0.0.5", "255.0.0.0", "10.0.0.1", "10.0.0.2", 1),
            adapter("Scheda C", mac_c, "0.0.0.0", "0.0.0.0"),
        };
    }
    void TearDown() override
    {
        window.reset();
        adapter_source_set(nullptr);
        link_state_reset();
    }

    // Remembers an adapter as the program start would: in the settings and selected.
    void remember(const MacAddress& mac)
    {
        link_state.settings.mac = mac;
        ASSERT_TRUE(settings_save());
        adapters_enumerate();
        adapters_match_saved();
    }

    void open()
    {
        window = std::make_unique<TForm_NetifSet>();
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }

    void highlight(int row) { window->ListView_list_netif->selectRow(row); }
    void select() { window->BitBtn_NetIF_Select->click(); }

    // What the window and the link show: the marked rows ("010"), the highlighted row, the
    // remembered adapter's row "address | description", the settings' adapter, the link's
    // adapter and its flags, e.g. "010 h1 | AC-..-FF | Scheda B | AC-..-FF AC-..-FF 7".
    std::string state() const
    {
        const QTableWidget* list = window->ListView_list_netif;
        QString text;
        for (int i = 0; i < list->rowCount(); ++i)
            text += window->row_marked(i) ? u'1' : u'0';
        const auto ranges = list->selectedRanges();
        text += QStringLiteral(" h%1 | ").arg(ranges.size() == 1 ? ranges.first().topRow() : -1);
        text += cell(window->ListView_netif_select, 0, 0) + " | "
                + cell(window->ListView_netif_select, 0, 1);
        text += " | " + mac_text(link_state.settings.mac) + " " + mac_text(netif_mac_copy()) + " "
                + QString::number(link_state.netif_flags.load());
        return text.toStdString();
    }

    QStringList details() const
    {
        QStringList values;
        for (int i = 0; i < window->ListView_netif->rowCount(); ++i)
            values << cell(window->ListView_netif, i, 0) + "=" + cell(window->ListView_netif, i, 1);
        return values;
    }

    TempWorkingDir dir;
    FixedAdapterSource source;
    std::unique_ptr<TForm_NetifSet> window;
};

const std::string A = mac_text(mac_a).toStdString(), B = mac_text(mac_b).toStdString(),
                  C = mac_text(mac_c).toStdString();

// Faults caught: lower-case or undelimited digits, reading past the record's 8 address bytes.
TEST(HardwareAddressText, UpperCaseHexJoinedByDashes)
{
    const std::uint8_t bytes[10] = {0x00, 0x1a, 0xbc, 0xDE, 0x0f, 0xF0, 0x01, 0x02, 0x03, 0x04};
    EXPECT_EQ(hardware_address_text(bytes, 6), "00-1A-BC-DE-0F-F0");
    EXPECT_EQ(hardware_address_text(bytes, 0), "");
    // A record holds at most 8 address bytes, whatever its length field claims.
    EXPECT_EQ(hardware_address_text(bytes, 4000), "00-1A-BC-DE-0F-F0-01-02");
}

// Faults caught in the rest: the wrong row marked or highlighted, properties of the wrong
// adapter, a highlight taken for a selection, a selection not saved or saved needlessly,
// a failure to save kept quiet, rows without a usable adapter selected.
TEST_F(NetifSetWindow, ListsNumberedAdaptersMarksAndHighlightsTheRemembered)
{
    remember(mac_b);
    open();
    EXPECT_EQ(cell(window->ListView_list_netif, 2, 1) + cell(window->ListView_list_netif, 2, 2),
              "[3]Scheda C");
    EXPECT_EQ(state(), "010 h1 | " + B + " | Scheda B | " + B + " " + B + " 3");
    EXPECT_EQ(details(), (QStringList{"Indirizzo Fisico=AC-DE-48-00-11-FF", "Indirizzo IP=10.0.0.5",
                                      "Subnet Mask=255.0.0.0", "Gateway Predefinito=10.0.0.1",
                                      "Server DHCP=10.0.0.2", "Stato DHCP=Abilitato"}));

    // Highlighting another row shows its properties only: nothing is selected or saved.
    const Bytes file = read_file(link_state.settings_path);
    highlight(0);
    EXPECT_EQ(details().value(1), "Indirizzo IP=192.168.1.20");
    EXPECT_EQ(state(), "010 h0 | " + B + " | Scheda B | " + B + " " + B + " 3");
    EXPECT_EQ(read_file(link_state.settings_path), file);
}

TEST_F(NetifSetWindow, SelectingAnAdapterMakesItTheInterfaceAndSavesItWhenItChanged)
{
    remember(mac_a);
    open();
    highlight(1);
    select();
    EXPECT_EQ(state(), "010 h1 | " + B + " | Scheda B | " + B + " " + B + " 7");
    const Bytes file = read_file(link_state.settings_path);
    EXPECT_EQ(Bytes(file.begin() + 1, file.begin() + 7), Bytes(mac_b.begin(), mac_b.end()));

    // A double click selects too; an adapter still without an address gets the selected bit
    // only.
    highlight(2);
    window->ListView_list_netifDblClick();
    EXPECT_EQ(state(), "001 h2 | " + C + " | Scheda C | " + C + " " + C + " 5");
}

// "Seleziona" that cannot write the settings file says so once; the choice holds for the run.
TEST_F(NetifSetWindow, AChoiceThatCannotBeSavedIsReportedAndKept)
{
    remember(mac_a);
    open();
    MessageRecorder recorder;
    // The file's folder is taken by a plain file: nothing can be written there, by root
    // neither.
    write_file(dir.path() / "plain", {'x'});
    link_state.settings_path = (dir.path() / "plain" / "ethernet_set.dat").string();
    highlight(1);
    select();
    ASSERT_EQ(recorder.messages().size(), 1u);
    EXPECT_TRUE(
        recorder.messages()[0].text.contains(QString::fromStdString(link_state.settings_path)));
    EXPECT_EQ(state(), "010 h1 | " + B + " | Scheda B | " + B + " " + B + " 7");
}

TEST_F(NetifSetWindow, RowsThatCannotCarryTheLinkAreNotSelected)
{
    remember(mac_a);
    source.adapters.push_back(AdapterRecord{});
    open();
    const Bytes file = read_file(link_state.settings_path);
    const std::string kept = " | " + A + " | Scheda A | " + A + " " + A + " 3";

    // A record without a hardware address.
    highlight(3);
    select();
    EXPECT_EQ(state(), "1000 h3" + kept);
    EXPECT_EQ(read_file(link_state.settings_path), file);
}

} // namespace
