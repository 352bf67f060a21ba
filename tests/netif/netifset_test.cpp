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

const MacAddress mac_a {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E};
const MacAddress mac_b {0xAC, 0xDE, 0x48, 0x00, 0x11, 0xFF};
const MacAddress mac_c {0x02, 0x00, 0x00, 0x00, 0x00, 0x0C};

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

    // The row of the remembered adapter: "address | description".
    QString remembered_row() const
    {
        return cell(window->ListView_netif_select, 0, 0) + " | " + cell(window->ListView_netif_select, 0, 1);
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

TEST_F(NetifSetWindow, CloseAndGlobalPointer)
{
    open();
    EXPECT_EQ(Form_NetifSet, window.get());

    window->BitBtn_Close->click();
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
    EXPECT_EQ(remembered_row(), "AC-DE-48-00-11-FF | Scheda B");

    // Highlighting another row shows its properties only: nothing is selected or saved.
    const Bytes file = read_file(settings_path);
    const std::uint8_t flags = netif_flags;
    highlight(0);
    EXPECT_EQ(details().value(1), "Indirizzo IP=192.168.1.20");
    EXPECT_EQ(marks(), (std::vector<bool> {false, true, false}));
    EXPECT_EQ(netif_mac_copy(), mac_b);
    EXPECT_EQ(netif_flags, flags);
    EXPECT_EQ(read_file(settings_path), file);
    EXPECT_EQ(remembered_row(), "AC-DE-48-00-11-FF | Scheda B");
}

TEST_F(NetifSetWindow, WithoutRememberedAdapterTheFirstRowIsHighlightedAndNothingMarked)
{
    source.adapters.push_back(AdapterRecord {});  // a record the system left empty
    open();
    QTableWidget* list = window->ListView_list_netif;
    ASSERT_EQ(list->rowCount(), 4);
    EXPECT_EQ(cell(list, 3, 2), "");
    EXPECT_EQ(marks(), (std::vector<bool>(4, false)));
    EXPECT_EQ(list->selectedRanges().first().topRow(), 0);
    EXPECT_EQ(details().value(0), "Indirizzo Fisico=00-1A-2B-3C-4D-5E");
    EXPECT_EQ(details().value(5), "Stato DHCP=Disabilitato");
    EXPECT_EQ(remembered_row(), "----- | -----");
}

TEST_F(NetifSetWindow, RememberedAdapterNotInUseShowsItsAddressOnly)
{
    // Remembered, but the link's interface is another one (or none at all).
    settings.mac = mac_c;
    source.adapters.erase(source.adapters.begin() + 2);
    open();
    EXPECT_EQ(marks(), (std::vector<bool> {false, false}));
    EXPECT_EQ(remembered_row(), "02-00-00-00-00-0C | -----");

    // Two records with the remembered address: the last one is marked.
    settings.mac = mac_a;
    source.adapters.push_back(adapter("Scheda A bis", mac_a, "0.0.0.0"));
    adapters_enumerate();
    window->Timer_comTimer();
    EXPECT_EQ(marks(), (std::vector<bool> {true, false, true}));
    EXPECT_EQ(window->ListView_list_netif->selectedRanges().first().topRow(), 2);
}

TEST_F(NetifSetWindow, SelectingAnAdapterMakesItTheInterfaceAndSavesItWhenItChanged)
{
    remember(mac_a);
    open();
    highlight(1);
    window->BitBtn_NetIF_Select->click();

    EXPECT_EQ(marks(), (std::vector<bool> {false, true, false}));
    EXPECT_EQ(settings.mac, mac_b);
    const Bytes file = read_file(settings_path);
    ASSERT_EQ(file.size(), 29u);
    EXPECT_EQ(Bytes(file.begin() + 1, file.begin() + 7), Bytes(mac_b.begin(), mac_b.end()));
    EXPECT_EQ(netif_mac_copy(), mac_b);
    EXPECT_EQ(netif_flags, NETIF_SELECTED | NETIF_HAS_ADDRESS | NETIF_TOGGLE);
    EXPECT_EQ(remembered_row(), "AC-DE-48-00-11-FF | Scheda B");

    // Selecting the remembered adapter again: whatever is in the file stays there.
    const Bytes sentinel {'k', 'e', 'e', 'p'};
    write_file(settings_path, sentinel);
    netif_flags = 0;
    window->BitBtn_NetIF_Select->click();
    EXPECT_EQ(read_file(settings_path), sentinel);
    EXPECT_EQ(settings.mac, mac_b);
    EXPECT_EQ(netif_flags, NETIF_SELECTED | NETIF_HAS_ADDRESS | NETIF_TOGGLE);

    // A double click on a row selects it too; an adapter still without an address gets the
    // selected bit only.
    QTableWidget* list = window->ListView_list_netif;
    const QPoint at = list->visualItemRect(list->item(2, 2)).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
    EXPECT_EQ(marks(), (std::vector<bool> {false, false, true}));
    EXPECT_EQ(settings.mac, mac_c);
    EXPECT_EQ(read_file(settings_path).size(), 29u);
    EXPECT_EQ(netif_flags, NETIF_SELECTED | NETIF_TOGGLE);
    EXPECT_EQ(remembered_row(), "02-00-00-00-00-0C | Scheda C");
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
    settings_path = (dir.path() / "plain" / "ethernet_set.dat").string();
    highlight(1);
    window->BitBtn_NetIF_Select->click();
    ASSERT_EQ(recorder.messages().size(), 1u);
    const RecordedMessage m = recorder.messages()[0];
    EXPECT_EQ(m.title, "Attenzione");
    EXPECT_EQ(m.icon, MessageIcon::Warning);
    EXPECT_TRUE(m.text.contains(QString::fromStdString(settings_path))) << m.text.toStdString();
    EXPECT_EQ(settings.mac, mac_b);
    EXPECT_EQ(netif_mac_copy(), mac_b);
    EXPECT_EQ(marks(), (std::vector<bool> {false, true, false}));
    EXPECT_EQ(remembered_row(), "AC-DE-48-00-11-FF | Scheda B");

    // Selecting it again has nothing to save and says nothing.
    window->BitBtn_NetIF_Select->click();
    EXPECT_EQ(recorder.messages().size(), 1u);
}

TEST_F(NetifSetWindow, RowsThatCannotCarryTheLinkAreNotSelected)
{
    remember(mac_a);
    source.adapters.push_back(AdapterRecord {});
    open();
    const Bytes file = read_file(settings_path);
    const std::uint8_t flags = netif_flags;

    // A record without a hardware address.
    highlight(3);
    window->BitBtn_NetIF_Select->click();
    EXPECT_EQ(settings.mac, mac_a);
    EXPECT_EQ(read_file(settings_path), file);
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

    // No adapters at all: a window opened now lists none and selects none.
    window.reset();
    source.adapters.clear();
    open();
    EXPECT_EQ(window->ListView_list_netif->rowCount(), 0);
    window->BitBtn_NetIF_Select->click();
    window->ListView_list_netifDblClick();
    EXPECT_EQ(netif_flags, flags);
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

    // ...but a window opened again enumerates by itself and lists them...
    window.reset();
    source.adapters.push_back(adapter("Quattro", mac_c, "4.4.4.4"));
    open();
    list = window->ListView_list_netif;
    EXPECT_EQ(list->rowCount(), 4);
    EXPECT_EQ(adapter_count, 4);

    // ...and its own timer picks up the next change of the number.
    source.adapters.resize(2);
    adapters_enumerate();
    EXPECT_TRUE(QTest::qWaitFor([&] { return list->rowCount() == 2; }, 2000));
    EXPECT_EQ(cell(list, 1, 2), "Due");
}

} // namespace
