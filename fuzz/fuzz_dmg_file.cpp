// Fuzz target: the diagram file reader. The input is a whole .dmg file; it is put in an
// in-memory file and read with dmg_read into a diagram of the program's size (20001
// slots). The result must be the one the file's header and size call for; a loaded file
// must be in the diagram exactly, a rejected one must leave diagram and settings as they
// were.
#include "Diagramx.h"
#include "Dmg_file.h"

#include <QApplication>
#include <QString>
#include <QWidget>

#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

void check(bool ok)
{
    if (!ok)
        __builtin_trap();
}

constexpr std::uint32_t kCapacity = 20001;

std::unique_ptr<QApplication> app;
std::unique_ptr<QWidget> host;
std::unique_ptr<Diagramx> diagram;
int file_fd = -1;
QString file_path;

std::uint32_t u32_le(const std::uint8_t* p)
{
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16
           | std::uint32_t(p[3]) << 24;
}

// A digest of what the diagram holds and shows: samples, ring, colours.
std::uint64_t digest(const Diagramx& d)
{
    std::uint64_t h = 1469598103934665603ull;
    auto mix = [&h](const void* p, std::size_t n) {
        const auto* b = static_cast<const std::uint8_t*>(p);
        for (std::size_t i = 0; i < n; ++i)
            h = (h ^ b[i]) * 1099511628211ull;
    };
    mix(&d.head, sizeof d.head);
    mix(&d.tail, sizeof d.tail);
    mix(d.channelColor, sizeof d.channelColor);
    for (std::uint32_t i = d.head; i != d.tail; i = d.RingAdd(i, 1))
        mix(&d.samples[i], sizeof(Sample));
    return h;
}

void shutdown()
{
    diagram.reset();
    host.reset();
    app.reset();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static int app_argc = 1;
    static char* app_argv[] = {(*argv)[0], nullptr};
    (void)argc;
    app = std::make_unique<QApplication>(app_argc, app_argv);
    host = std::make_unique<QWidget>();
    host->resize(500, 300);
    diagram = std::make_unique<Diagramx>(host.get(), 8, 5000, kCapacity);
    // A few samples to start from, so that a rejected file has something to keep.
    for (int k = 0; k < 3; ++k) {
        const double v[8] = {double(k), 1, 2, 3, 4, 5, 6, 7};
        diagram->AddSample(k * 0.001, v, 8);
    }
    file_fd = ::memfd_create("grafion-fuzz.dmg", MFD_CLOEXEC);
    check(file_fd >= 0);
    file_path = QStringLiteral("/proc/self/fd/%1").arg(file_fd);
    std::atexit(shutdown);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    check(::ftruncate(file_fd, 0) == 0);
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::pwrite(file_fd, data + done, size - done, off_t(done));
        check(n > 0);
        done += std::size_t(n);
    }

    DmgDisplaySettings settings;
    settings.names[0] = QStringLiteral("unchanged");
    settings.y_max = 123;
    settings.y_min = -45;
    settings.flags = 0xABCD;
    const std::uint64_t before = digest(*diagram);

    const DmgReadResult result = dmg_read(file_path, *diagram, settings);

    // The result the file calls for.
    DmgReadResult expected = DmgReadResult::Loaded;
    std::uint32_t count = 0;
    if (size <= kDmgHeaderSize) {
        expected = DmgReadResult::BadFile;
    } else {
        std::uint8_t x = 0;
        for (std::size_t i = 0; i < kDmgHeaderSize; ++i)
            x ^= data[i];
        count = u32_le(data);
        if (x != 0)
            expected = DmgReadResult::BadFile;
        else if (count == 0 || count > kDmgMaxCount || count > kCapacity - 1)
            expected = DmgReadResult::BadCount;
        else if (size < kDmgHeaderSize + std::size_t(count) * kDmgRecordSize)
            expected = DmgReadResult::BadFile;
    }
    check(result == expected);

    if (result != DmgReadResult::Loaded) {
        check(digest(*diagram) == before);
        check(settings.names[0] == QStringLiteral("unchanged") && settings.names[1].isEmpty());
        check(settings.y_max == 123 && settings.y_min == -45 && settings.flags == 0xABCD);
        return 0;
    }

    check(diagram->head == 0 && diagram->tail == count && diagram->SampleCount() == count);
    check(std::memcmp(&diagram->samples[0], data + kDmgHeaderSize,
                      std::size_t(count) * kDmgRecordSize)
          == 0);
    for (int i = 0; i < kDmgChannels; ++i) {
        check(diagram->channelColor[i] == u32_le(data + 404 + 4 * i));
        const char* slot = reinterpret_cast<const char*>(data + 4 + kDmgNameSize * i);
        const std::size_t length = strnlen(slot, kDmgNameSize);
        check(settings.names[i] == QString::fromLatin1(slot, qsizetype(length)));
    }
    check(settings.y_max == std::int16_t(data[436] | data[437] << 8));
    check(settings.y_min == std::int16_t(data[440] | data[441] << 8));
    check(settings.flags == u32_le(data + 444));
    return 0;
}
