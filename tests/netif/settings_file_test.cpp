// ethernet_set.dat: defaults, validation and round trip.
#include "Globvar.h"
#include "Settings_file.h"
#include "netif_test_support.h"

#include <algorithm>

namespace {

namespace fs = std::filesystem;

// The defaulted file: check byte, no adapter, 192.168.1.10, 1645, 2000, -2000, the rest zero;
// multi-byte fields least significant byte first.
Bytes default_file()
{
    Bytes b = {0, 0, 0, 0, 0, 0, 0, 0x0A, 0x01, 0xA8, 0xC0, 0x6D, 0x06, 0xD0, 0x07, 0x30, 0xF8};
    b.resize(29, 0);
    for (std::size_t i = 1; i < 29; ++i)
        b[0] ^= b[i];
    return b;
}

// The file the settings in memory make (every field of the record).
Bytes file_of_settings()
{
    const auto record = settings_encode(link_state.settings);
    Bytes b(1 + record.size(), settings_check_byte(record.data()));
    std::copy(record.begin(), record.end(), b.begin() + 1);
    return b;
}

std::size_t entries_in(const fs::path& dir)
{
    return std::size_t(std::distance(fs::directory_iterator(dir), fs::directory_iterator()));
}

class SettingsFile : public ::testing::Test {
protected:
    void SetUp() override { link_state_reset(); }
    void TearDown() override { link_state_reset(); }

    TempWorkingDir dir;
    fs::path file() const { return dir.path() / SETTINGS_FILE_NAME; }
};

} // namespace

TEST_F(SettingsFile, SavedRecordLoadsBackFieldForField)
{
    settings_load();
    link_state.settings.mac = {0x00, 0x1B, 0x21, 0xAA, 0xBB, 0xCC};
    link_state.settings.server_ip = 0x0A000001;
    link_state.settings.server_port = 0xBEEF;
    link_state.settings.y_max = -5;
    link_state.settings.y_min = -32768;
    link_state.settings.reserved_16 = {1, 2, 3, 4};
    link_state.settings.view_flags = VIEW_FIXED_SCALE;
    link_state.settings.trigger_mode = 2;
    link_state.settings.event_channel = 19;
    link_state.settings.reserved_26 = {0xFE, 0xFF};
    ASSERT_TRUE(settings_save());

    // The fields at their places; the check byte is proven by the load below taking it.
    const Bytes bytes = read_file(file());
    ASSERT_EQ(bytes.size(), 29u);
    EXPECT_EQ(Bytes(bytes.begin() + 7, bytes.begin() + 11), (Bytes{0x01, 0x00, 0x00, 0x0A}));
    EXPECT_EQ(Bytes(bytes.begin() + 13, bytes.begin() + 17), (Bytes{0xFB, 0xFF, 0x00, 0x80}));
    EXPECT_EQ(Bytes(bytes.begin() + 21, bytes.begin() + 27), (Bytes{0x01, 0, 0, 0, 2, 19}));

    link_state.settings = EthernetSettings{};
    settings_load();
    EXPECT_EQ(file_of_settings(), bytes);

    // A sound file with a trigger mode or event the window has no item for: first items.
    link_state.settings.trigger_mode = 3;
    link_state.settings.event_channel = 20;
    ASSERT_TRUE(settings_save());
    settings_load();
    EXPECT_EQ(link_state.settings.trigger_mode.load(), 0);
    EXPECT_EQ(link_state.settings.event_channel.load(), 0);
    EXPECT_EQ(link_state.settings.server_port, 0xBEEF);
}

TEST_F(SettingsFile, MissingFileOrWrongSizeOrCheckByteIsReplacedByTheDefaults)
{
    Bytes good(29, 0);
    good[1] = good[0] = 0x11;
    Bytes bad_check = good;
    bad_check[0] = 0x10;
    Bytes long_file = good;
    long_file.push_back(0);

    settings_load(); // no file yet
    EXPECT_EQ(fs::path(link_state.settings_path), file());
    EXPECT_EQ(read_file(file()), default_file());
    EXPECT_EQ(entries_in(dir.path()), 1u); // no temporary file left behind
    for (const Bytes& content :
         {bad_check, Bytes(good.begin(), good.end() - 1), long_file, Bytes{}}) {
        write_file(file(), content);
        link_state.settings.y_max = 1;
        settings_load();
        EXPECT_EQ(file_of_settings(), default_file());
        EXPECT_EQ(read_file(file()), default_file());
    }

    write_file(file(), good);
    settings_load();
    EXPECT_EQ(link_state.settings.mac[0], 0x11);
}
