// The interface selection window over a fixed adapter list, in a folder of its own.
#include "Fz_netif.h"
#include "Globvar.h"
#include "Netifset.h"
#include "Settings_file.h"
#include "temp_dir.h"

#include <QGroupBox>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <ostream>

void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

namespace {

using Bytes = std::vector<std::uint8_t>;

const MacAddress mac_a {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E};
const MacAddress mac_b {0xAC, 0xDE, 0x48, 0x00, 0x11, 0xFF};
const MacAddress mac_c {0x02, 0x00, 0x00, 0x00, 0x00, 0x0C};

AdapterRecord adapter(const char* description, MacAddress mac, const char* ip,
                      const char* mask = "255.255.255.0", const char* gateway = "0.0.0.0",
                      const char* dhcp_server = "", std::uint32_t dhcp = 0)
{
    AdapterRecord r {};
    set_text(r.AdapterName, "eth");
    set_text(r.Description, description);
    r.AddressLength = 6;
    std::memcpy(r.Address, mac.data(), 6);
    set_text(r.IpAddressList.IpAddress, ip);
    set_text(r.IpAddressList.IpMask, mask);
    set_text(r.GatewayList.IpAddress, gateway);
    set_text(r.DhcpServer.IpAddress, dhcp_server);
    r.DhcpEnabled = dhcp;
    return r;
}

QString cell(const QTableWidget* view, int row, int column)
{
    const QTableWidgetItem* item = view->item(row, column);
    return item ? item->text() : QStringLiteral("<none>");
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
        settings.mac = mac;
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

    std::vector<bool> marks() const
    {
        std::vector<bool> m;
        for (int i = 0; i < window->ListView_list_netif->rowCount(); ++i)
            m.push_back(window->row_marked(i));
        return m;
    }

    QStringList details() const
    {
        QStringList values;
        for (int i = 0; i < window->ListView_netif->rowCount(); ++i)
            values << cell(window->ListView_netif, i, 0) + "=" + cell(window->ListView_netif, i, 1);
        return values;
    }

    Bytes settings_file() const
    {
        std::ifstream in(settings_path, std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), {});
    }

    void write_settings_file(const Bytes& bytes) const
    {
        std::ofstream out(settings_path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    }

    TempWorkingDir dir;
    FixedAdapterSource source;
    std::unique_ptr<TForm_NetifSet> window;
};

TEST(HardwareAddressText, UpperCaseHexJoinedByDashes)
{
    const std::uint8_t bytes[10] = {0x00, 0x1a, 0xbc, 0xDE, 0x0f, 0xF0, 0x01, 0x02, 0x03, 0x04};
    EXPECT_EQ(hardware_address_text(bytes, 6), "00-1A-BC-DE-0F-F0");
    EXPECT_EQ(hardware_address_text(bytes, 1), "00");
    EXPECT_EQ(hardware_address_text(bytes, 0), "");
    // A record holds at most 8 address bytes, whatever its length field claims.
    EXPECT_EQ(hardware_address_text(bytes, 8), "00-1A-BC-DE-0F-F0-01-02");
    EXPECT_EQ(hardware_address_text(bytes, 4000), "00-1A-BC-DE-0F-F0-01-02");
}

TEST_F(NetifSetWindow, WindowFrameButtonsAndGlobalPointer)
{
    open();
    EXPECT_EQ(Form_NetifSet, window.get());
    EXPECT_EQ(window->windowTitle(), "NetWork");
    EXPECT_EQ(window->size(), QSize(465, 385));

    // Gap = (465 - 100 - 100) / 8 = 33 on both sides, both buttons centred in the 67-pixel panel.
    QPushButton* select = window->BitBtn_NetIF_Select;
    QPushButton* close = window->BitBtn_Close;
    EXPECT_EQ(window->Panel_button->geometry(), QRect(0, 291, 465, 67));
    EXPECT_EQ(select->geometry(), QRect(33, 16, 100, 34));
    EXPECT_EQ(close->geometry(), QRect(332, 16, 100, 34));

    close->click();
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(window->result(), QDialog::Rejected);
    window.reset();
    EXPECT_EQ(Form_NetifSet, nullptr);
}

TEST_F(NetifSetWindow, ListsNumberedAdaptersMarksAndHighlightsTheRemembered)
{
    remember(mac_b);
    open();
    QTableWidget* list = window->ListView_list_netif;
    ASSERT_EQ(list->rowCount(), 3);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(cell(list, i, 1), QStringLiteral("[%1]").arg(i + 1));
    EXPECT_EQ(cell(list, 0, 2), "Scheda A");
    EXPECT_EQ(cell(list, 2, 2), "Scheda C");
    EXPECT_EQ(marks(), (std::vector<bool> {false, true, false}));
    EXPECT_FALSE(list->item(1, 0)->icon().isNull());
    EXPECT_TRUE(list->item(0, 0)->icon().isNull());
    ASSERT_EQ(list->selectedRanges().size(), 1);
    EXPECT_EQ(list->selectedRanges().first().topRow(), 1);

    EXPECT_EQ(details(), (QStringList {"Indirizzo Fisico=AC-DE-48-00-11-FF", "Indirizzo IP=10.0.0.5",
                                       "Subnet Mask=255.0.0.0", "Gateway Predefinito=10.0.0.1",
                                       "Server DHCP=10.0.0.2", "Stato DHCP=Abilitato"}));

    ASSERT_EQ(window->ListView_netif_select->rowCount(), 1);
    EXPECT_EQ(cell(window->ListView_netif_select, 0, 0), "AC-DE-48-00-11-FF");
    EXPECT_EQ(cell(window->ListView_netif_select, 0, 1), "Scheda B");

    // Highlighting another row shows its properties only: nothing is selected or saved.
    const Bytes file = settings_file();
    const std::uint8_t flags = netif_flags;
    highlight(0);
    EXPECT_EQ(details().value(1), "Indirizzo IP=192.168.1.20");
    EXPECT_EQ(marks(), (std::vector<bool> {false, true, false}));
    EXPECT_EQ(netif_mac_copy(), mac_b);
    EXPECT_EQ(netif_flags, flags);
    EXPECT_EQ(settings_file(), file);
    EXPECT_EQ(cell(window->ListView_netif_select, 0, 1), "Scheda B");
}

TEST_F(NetifSetWindow, WithoutRememberedAdapterTheFirstRowIsHighlightedAndNothingMarked)
{
    source.adapters.push_back(AdapterRecord {});  // a record the system left empty
    open();
    QTableWidget* list = window->ListView_list_netif;
    ASSERT_EQ(list->rowCount(), 4);
    EXPECT_EQ(cell(list, 3, 1), "[4]");
    EXPECT_EQ(cell(list, 3, 2), "");
    EXPECT_EQ(marks(), (std::vector<bool>(4, false)));
    EXPECT_EQ(list->selectedRanges().first().topRow(), 0);
    EXPECT_EQ(details().value(0), "Indirizzo Fisico=00-1A-2B-3C-4D-5E");
    EXPECT_EQ(details().value(5), "Stato DHCP=Disabilitato");
    EXPECT_EQ(cell(window->ListView_netif_select, 0, 0), "-----");
    EXPECT_EQ(cell(window->ListView_netif_select, 0, 1), "-----");
}

TEST_F(NetifSetWindow, RememberedAdapterNotInUseShowsItsAddressOnly)
{
    // Remembered, but the link's interface is another one (or none at all).
    settings.mac = mac_c;
    source.adapters.erase(source.adapters.begin() + 2);
    open();
    EXPECT_EQ(marks(), (std::vector<bool> {false, false}));
    EXPECT_EQ(cell(window->ListView_netif_select, 0, 0), "02-00-00-00-00-0C");
    EXPECT_EQ(cell(window->ListView_netif_select, 0, 1), "-----");

    // Two records with the remembered address: the last one is marked.
    settings.mac = mac_a;
    source.adapters.push_back(adapter("Scheda A bis", mac_a, "0.0.0.0"));
    adapters_enumerate();
    window->Timer_comTimer();
    EXPECT_EQ(marks(), (std::vector<bool> {true, false, true}));
    EXPECT_EQ(window->ListView_list_netif->selectedRanges().first().topRow(), 2);
}

TEST_F(NetifSetWindow, SelectingAnotherAdapterMakesItTheInterfaceAndSavesIt)
{
    remember(mac_a);
    open();
    highlight(1);
    window->BitBtn_NetIF_Select->click();

    EXPECT_EQ(marks(), (std::vector<bool> {false, true, false}));
    EXPECT_EQ(settings.mac, mac_b);
    const Bytes file = settings_file();
    ASSERT_EQ(file.size(), 29u);
    EXPECT_EQ(Bytes(file.begin() + 1, file.begin() + 7), Bytes(mac_b.begin(), mac_b.end()));
    EXPECT_EQ(netif_mac_copy(), mac_b);
    EXPECT_EQ(netif_flags, NETIF_SELECTED | NETIF_HAS_ADDRESS | NETIF_TOGGLE);
    EXPECT_EQ(cell(window->ListView_netif_select, 0, 0), "AC-DE-48-00-11-FF");
    EXPECT_EQ(cell(window->ListView_netif_select, 0, 1), "Scheda B");

    // A double click on a row does the same; an adapter still without an address gets the
    // selected bit only.
    QTableWidget* list = window->ListView_list_netif;
    const QPoint at = list->visualItemRect(list->item(2, 2)).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
    EXPECT_EQ(marks(), (std::vector<bool> {false, false, true}));
    EXPECT_EQ(settings.mac, mac_c);
    EXPECT_EQ(netif_flags, NETIF_SELECTED | NETIF_TOGGLE);
    EXPECT_EQ(cell(window->ListView_netif_select, 0, 1), "Scheda C");
}

TEST_F(NetifSetWindow, SelectingTheRememberedAdapterDoesNotRewriteTheFile)
{
    remember(mac_b);
    open();
    // Whatever is in the file now stays there unless the remembered adapter changes.
    const Bytes sentinel {'k', 'e', 'e', 'p'};
    write_settings_file(sentinel);

    netif_flags = 0;
    window->BitBtn_NetIF_Select->click();  // row 1, the remembered one, is highlighted
    EXPECT_EQ(settings_file(), sentinel);
    EXPECT_EQ(settings.mac, mac_b);
    EXPECT_EQ(netif_flags, NETIF_SELECTED | NETIF_HAS_ADDRESS | NETIF_TOGGLE);
    EXPECT_EQ(marks(), (std::vector<bool> {false, true, false}));

    highlight(0);
    window->BitBtn_NetIF_Select->click();
    EXPECT_EQ(settings_file().size(), 29u);
}

TEST_F(NetifSetWindow, RowsThatCannotCarryTheLinkAreNotSelected)
{
    remember(mac_a);
    source.adapters.push_back(AdapterRecord {});
    open();
    const Bytes file = settings_file();
    const std::uint8_t flags = netif_flags;

    // A record without a hardware address.
    highlight(3);
    window->BitBtn_NetIF_Select->click();
    EXPECT_EQ(settings.mac, mac_a);
    EXPECT_EQ(settings_file(), file);
    EXPECT_EQ(netif_flags, flags);
    EXPECT_EQ(marks(), (std::vector<bool> {true, false, false, false}));

    // A row left over from a longer list, before the next refresh rebuilds it.
    highlight(2);
    source.adapters.resize(1);
    adapters_enumerate();
    window->BitBtn_NetIF_Select->click();
    window->ListView_list_netifDblClick();
    window->ListView_list_netifChange();
    EXPECT_EQ(settings.mac, mac_a);
    EXPECT_EQ(netif_flags, flags);

    // Nothing highlighted.
    window->Timer_comTimer();
    window->ListView_list_netif->clearSelection();
    window->BitBtn_NetIF_Select->click();
    EXPECT_EQ(netif_flags, flags);
}

TEST_F(NetifSetWindow, NoAdaptersLeavesOnlyTheSelectedInterfaceRow)
{
    settings.mac = mac_a;
    source.adapters.clear();
    open();
    EXPECT_EQ(window->ListView_list_netif->rowCount(), 0);
    ASSERT_EQ(window->ListView_netif_select->rowCount(), 1);
    EXPECT_EQ(cell(window->ListView_netif_select, 0, 0), "00-1A-2B-3C-4D-5E");
    EXPECT_EQ(cell(window->ListView_netif_select, 0, 1), "-----");

    window->BitBtn_NetIF_Select->click();
    window->ListView_list_netifDblClick();
    EXPECT_EQ(netif_flags, 0);
    EXPECT_EQ(settings.mac, mac_a);
}

TEST_F(NetifSetWindow, ListIsRebuiltOnlyWhenTheCountChangesToAnotherNonZeroValue)
{
    remember(mac_a);
    open();
    QTableWidget* list = window->ListView_list_netif;
    ASSERT_EQ(list->rowCount(), 3);

    // Same count, other adapters: the rows stay as they are.
    source.adapters[0] = adapter("Nuova", mac_c, "1.2.3.4");
    adapters_enumerate();
    window->Timer_comTimer();
    EXPECT_EQ(cell(list, 0, 2), "Scheda A");

    // All gone: the list and the properties empty.
    source.adapters.clear();
    adapters_enumerate();
    window->Timer_comTimer();
    EXPECT_EQ(list->rowCount(), 0);
    EXPECT_EQ(window->ListView_netif->rowCount(), 0);
    EXPECT_EQ(window->ListView_netif_select->rowCount(), 1);

    // The same number as before comes back: the list stays empty...
    source.adapters = {adapter("Uno", mac_a, "1.1.1.1"), adapter("Due", mac_b, "2.2.2.2"),
                       adapter("Tre", mac_c, "3.3.3.3")};
    adapters_enumerate();
    window->Timer_comTimer();
    EXPECT_EQ(list->rowCount(), 0);

    // ...until the number changes, which the window's own timer picks up.
    source.adapters.pop_back();
    adapters_enumerate();
    EXPECT_TRUE(QTest::qWaitFor([&] { return list->rowCount() == 2; }, 2000));
    EXPECT_EQ(cell(list, 1, 2), "Due");
    EXPECT_EQ(marks(), (std::vector<bool> {true, false}));
    EXPECT_EQ(details().value(0), "Indirizzo Fisico=00-1A-2B-3C-4D-5E");
}

TEST_F(NetifSetWindow, OpeningAgainRebuildsFromAFreshEnumeration)
{
    open();
    source.adapters.clear();
    adapters_enumerate();
    window->Timer_comTimer();
    window.reset();

    source.adapters = {adapter("Uno", mac_a, "1.1.1.1"), adapter("Due", mac_b, "2.2.2.2"),
                       adapter("Tre", mac_c, "3.3.3.3")};
    open();  // enumerates by itself
    EXPECT_EQ(window->ListView_list_netif->rowCount(), 3);
    EXPECT_EQ(adapter_count, 3);
}

} // namespace
