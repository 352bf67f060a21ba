#include "Settings_file.h"
#include "Fd_write.h"
#include "Globvar.h"
#include "Wire.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <string>

namespace {

std::string current_directory()
{
    std::string dir(256, '\0');
    while (getcwd(dir.data(), dir.size()) == nullptr) {
        if (errno != ERANGE)
            return "."; // the directory vanished or cannot be named: use it relatively
        dir.resize(dir.size() * 2);
    }
    dir.resize(std::strlen(dir.c_str()));
    return dir;
}

// Reads the whole file when it is a regular file exactly SETTINGS_FILE_SIZE bytes long.
// Opened without waiting: a FIFO or a device of that name would otherwise hold the start-up
// until someone writes to it; anything but a regular file counts as no file.
bool read_settings_file(const std::string& path, std::uint8_t (&file)[SETTINGS_FILE_SIZE])
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
        return false;
    bool ok = false;
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size == off_t(SETTINGS_FILE_SIZE)) {
        std::size_t got = 0;
        while (got < SETTINGS_FILE_SIZE) {
            const ssize_t n = ::read(fd, file + got, SETTINGS_FILE_SIZE - got);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;
            got += std::size_t(n);
        }
        ok = got == SETTINGS_FILE_SIZE;
    }
    ::close(fd);
    return ok;
}

std::string folder_of(const std::string& path)
{
    const auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

unsigned temp_serial = 0;

} // namespace

std::array<std::uint8_t, SETTINGS_RECORD_SIZE> settings_encode(const EthernetSettings& record)
{
    std::array<std::uint8_t, SETTINGS_RECORD_SIZE> b{};
    std::memcpy(b.data(), record.mac.data(), 6);
    put_u32_le(b.data() + 6, record.server_ip);
    put_u16_le(b.data() + 10, record.server_port);
    put_u16_le(b.data() + 12, static_cast<std::uint16_t>(record.y_max));
    put_u16_le(b.data() + 14, static_cast<std::uint16_t>(record.y_min));
    std::memcpy(b.data() + 16, record.reserved_16.data(), 4);
    put_u32_le(b.data() + 20, record.view_flags);
    b[24] = record.trigger_mode.load();
    b[25] = record.event_channel.load();
    std::memcpy(b.data() + 26, record.reserved_26.data(), 2);
    return b;
}

EthernetSettings settings_decode(const std::uint8_t* b)
{
    EthernetSettings record;
    std::memcpy(record.mac.data(), b, 6);
    record.server_ip = get_u32_le(b + 6);
    record.server_port = get_u16_le(b + 10);
    record.y_max = static_cast<std::int16_t>(get_u16_le(b + 12));
    record.y_min = static_cast<std::int16_t>(get_u16_le(b + 14));
    std::memcpy(record.reserved_16.data(), b + 16, 4);
    record.view_flags = get_u32_le(b + 20);
    // A mode or event the window has no item for (a file written by hand or by another
    // program) is taken as the first item instead of leaving no item selected.
    record.trigger_mode = b[24] < SETTINGS_TRIGGER_MODES ? b[24] : std::uint8_t(TriggerRolling);
    record.event_channel = b[25] < SETTINGS_EVENT_CHANNELS ? b[25] : 0;
    std::memcpy(record.reserved_26.data(), b + 26, 2);
    return record;
}

std::uint8_t settings_check_byte(const std::uint8_t* bytes)
{
    std::uint8_t check = 0;
    for (std::size_t i = 0; i < SETTINGS_RECORD_SIZE; ++i)
        check ^= bytes[i];
    return check;
}

void settings_load()
{
    link_state.settings_dir = current_directory();
    link_state.settings_path =
        (link_state.settings_dir == "/" ? std::string() : link_state.settings_dir) + "/"
        + SETTINGS_FILE_NAME;

    std::uint8_t file[SETTINGS_FILE_SIZE]{};
    if (!read_settings_file(link_state.settings_path, file)
        || (file[0] ^ settings_check_byte(file + 1)) != 0) {
        settings_reset_defaults();
        return;
    }
    link_state.settings = settings_decode(file + 1);
}

void settings_reset_defaults()
{
    EthernetSettings defaults;
    defaults.server_ip = DEFAULT_SERVER_IP;
    defaults.server_port = DEFAULT_SERVER_PORT;
    defaults.y_max = DEFAULT_Y_MAX;
    defaults.y_min = DEFAULT_Y_MIN;
    defaults.view_flags &= ~VIEW_FIXED_SCALE;
    defaults.trigger_mode = TriggerRolling;
    defaults.event_channel = 0;
    link_state.settings = defaults;
    settings_save();
}

bool settings_save()
{
    if (link_state.settings_path.empty())
        return false;

    // A file the user made read-only is left alone (replacing it by rename would not ask).
    if (::access(link_state.settings_path.c_str(), F_OK) == 0
        && ::access(link_state.settings_path.c_str(), W_OK) != 0)
        return false;

    std::uint8_t file[SETTINGS_FILE_SIZE];
    const auto record = settings_encode(link_state.settings);
    file[0] = settings_check_byte(record.data());
    std::memcpy(file + 1, record.data(), SETTINGS_RECORD_SIZE);

    std::string temp;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temp = folder_of(link_state.settings_path) + "/.ethernet_set.dat."
               + std::to_string(::getpid()) + "." + std::to_string(++temp_serial);
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            return false;
    }
    if (fd < 0)
        return false;
    bool ok = write_all(fd, file, sizeof file) && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    if (ok)
        ok = ::rename(temp.c_str(), link_state.settings_path.c_str()) == 0;
    if (!ok)
        ::unlink(temp.c_str());
    return ok;
}
