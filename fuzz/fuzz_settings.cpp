// Fuzz target: the settings file loader. The input is written as ethernet_set.dat into a
// private working folder and settings_load() reads it. A file of the right size with a
// right check byte must come back exactly as its record; anything else must leave the
// defaults in memory and a sound defaults file on disk.
#include "Globvar.h"
#include "Settings_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

void check(bool ok)
{
    if (!ok)
        __builtin_trap();
}

std::string folder;

void write_file(const std::string& path, const std::uint8_t* data, std::size_t size)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    check(fd >= 0);
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::write(fd, data + done, size - done);
        check(n > 0);
        done += std::size_t(n);
    }
    ::close(fd);
}

std::string read_file(const std::string& path)
{
    std::string bytes;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return bytes;
    char buf[256];
    ssize_t n;
    while ((n = ::read(fd, buf, sizeof buf)) > 0)
        bytes.append(buf, std::size_t(n));
    ::close(fd);
    return bytes;
}

void remove_folder()
{
    if (folder.empty())
        return;
    const std::string file = folder + "/" + SETTINGS_FILE_NAME;
    ::unlink(file.c_str());
    ::rmdir(folder.c_str());
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/grafion-fuzz-XXXXXX";
    check(::mkdtemp(pattern.data()) != nullptr);
    folder = pattern;
    check(::chdir(folder.c_str()) == 0);
    std::atexit(remove_folder);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string path = folder + "/" + SETTINGS_FILE_NAME;
    write_file(path, data, size);
    link_state.settings = EthernetSettings{};
    link_state.settings.trigger_mode = 0x5A; // anything the load does not set shows

    settings_load();

    check(link_state.settings_path == path);
    const auto record = settings_encode(link_state.settings);
    std::uint8_t check_byte = 0;
    for (std::size_t i = 0; i < size; ++i)
        check_byte ^= data[i];
    if (size == SETTINGS_FILE_SIZE && check_byte == 0) {
        // Taken whole (a trigger mode or event out of range as the first item), and the
        // file left as it was.
        std::uint8_t expected[SETTINGS_RECORD_SIZE];
        std::memcpy(expected, data + 1, SETTINGS_RECORD_SIZE);
        if (expected[24] >= SETTINGS_TRIGGER_MODES)
            expected[24] = 0;
        if (expected[25] >= SETTINGS_EVENT_CHANNELS)
            expected[25] = 0;
        check(std::memcmp(record.data(), expected, SETTINGS_RECORD_SIZE) == 0);
        check(read_file(path) == std::string(reinterpret_cast<const char*>(data), size));
        return 0;
    }

    EthernetSettings defaults;
    defaults.server_ip = DEFAULT_SERVER_IP;
    defaults.server_port = DEFAULT_SERVER_PORT;
    defaults.y_max = DEFAULT_Y_MAX;
    defaults.y_min = DEFAULT_Y_MIN;
    check(record == settings_encode(defaults));
    // The defaults were written back: a file the next start takes as it is.
    const std::string file = read_file(path);
    check(file.size() == SETTINGS_FILE_SIZE);
    check(std::uint8_t(file[0]) == settings_check_byte(record.data()));
    check(std::memcmp(file.data() + 1, record.data(), SETTINGS_RECORD_SIZE) == 0);
    return 0;
}
