#include "Dmg_file.h"

#include "Diagramx.h"
#include "message_box.h"

#include <QFile>
#include <QSaveFile>

#include <algorithm>
#include <bit>
#include <cstring>
#include <stdexcept>

// The sample records are copied between the file and the diagram's ring as they lie in
// memory; the file holds them little-endian, so this holds only on a little-endian host.
static_assert(std::endian::native == std::endian::little,
              "diagram files store sample records as little-endian memory images");

namespace {

constexpr std::size_t kNamesOffset = 4;
constexpr std::size_t kColoursOffset = 404;
constexpr std::size_t kYMaxOffset = 436;
constexpr std::size_t kYMinOffset = 440;
constexpr std::size_t kFlagsOffset = 444;
constexpr std::size_t kCheckOffset = 448;

void put_u32(std::uint8_t* p, std::uint32_t v)
{
    p[0] = std::uint8_t(v);
    p[1] = std::uint8_t(v >> 8);
    p[2] = std::uint8_t(v >> 16);
    p[3] = std::uint8_t(v >> 24);
}

std::uint32_t get_u32(const std::uint8_t* p)
{
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16
           | std::uint32_t(p[3]) << 24;
}

[[noreturn]] void fail(const QString& what, const QString& path, const QString& reason)
{
    throw std::runtime_error(
        QStringLiteral("%1 \"%2\". %3").arg(what, path, reason).toLocal8Bit().toStdString());
}

} // namespace

DmgHeaderBytes dmg_encode_header(const DmgHeader& h)
{
    DmgHeaderBytes b{};
    put_u32(&b[0], h.count);
    for (int i = 0; i < kDmgChannels; ++i)
        std::memcpy(&b[kNamesOffset + std::size_t(i) * kDmgNameSize], h.name[i], kDmgNameSize);
    for (int i = 0; i < kDmgChannels; ++i)
        put_u32(&b[kColoursOffset + std::size_t(i) * 4], h.colour[i]);
    put_u32(&b[kYMaxOffset], std::uint32_t(h.y_max));
    put_u32(&b[kYMinOffset], std::uint32_t(h.y_min));
    put_u32(&b[kFlagsOffset], h.flags);
    b[kCheckOffset] = h.check;
    return b;
}

DmgHeader dmg_decode_header(const DmgHeaderBytes& b)
{
    DmgHeader h;
    h.count = get_u32(&b[0]);
    for (int i = 0; i < kDmgChannels; ++i)
        std::memcpy(h.name[i], &b[kNamesOffset + std::size_t(i) * kDmgNameSize], kDmgNameSize);
    for (int i = 0; i < kDmgChannels; ++i)
        h.colour[i] = get_u32(&b[kColoursOffset + std::size_t(i) * 4]);
    h.y_max = std::int32_t(get_u32(&b[kYMaxOffset]));
    h.y_min = std::int32_t(get_u32(&b[kYMinOffset]));
    h.flags = get_u32(&b[kFlagsOffset]);
    h.check = b[kCheckOffset];
    return h;
}

std::uint8_t dmg_xor(const std::uint8_t* bytes, std::size_t count)
{
    std::uint8_t x = 0;
    for (std::size_t i = 0; i < count; ++i)
        x ^= bytes[i];
    return x;
}

void dmg_seal_header(DmgHeader& header)
{
    header.check = 0;
    const DmgHeaderBytes bytes = dmg_encode_header(header);
    header.check = dmg_xor(bytes.data(), bytes.size());
}

void dmg_set_name(char (&slot)[kDmgNameSize], const QString& name)
{
    std::memset(slot, 0, kDmgNameSize);
    const QByteArray latin = name.toLatin1();
    std::memcpy(slot, latin.constData(),
                std::min<std::size_t>(std::size_t(latin.size()), kDmgNameSize - 1));
}

QString dmg_name(const char (&slot)[kDmgNameSize])
{
    const void* zero = std::memchr(slot, 0, kDmgNameSize);
    const auto length = zero ? static_cast<const char*>(zero) - slot : qsizetype(kDmgNameSize);
    return QString::fromLatin1(slot, length);
}

void dmg_write(const QString& path, const Diagramx& diagram, const DmgDisplaySettings& settings)
{
    DmgHeader header;
    for (int i = 0; i < kDmgChannels; ++i)
        dmg_set_name(header.name[i], settings.names[i]);
    // The count is taken now; exactly this many records follow.
    const std::uint32_t count = diagram.SampleCount();
    header.count = count;
    header.y_max = settings.y_max; // sign-extended
    header.y_min = settings.y_min;
    for (int i = 0; i < kDmgChannels; ++i)
        header.colour[i] = diagram.channelColor[i];
    header.flags = settings.flags;
    dmg_seal_header(header);
    const DmgHeaderBytes bytes = dmg_encode_header(header);

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        fail(QStringLiteral("Impossibile creare il file"), path, file.errorString());

    auto write = [&](const void* data, std::size_t size) {
        if (file.write(static_cast<const char*>(data), qint64(size)) != qint64(size)) {
            const QString reason = file.errorString();
            file.cancelWriting();
            fail(QStringLiteral("Impossibile scrivere il file"), path, reason);
        }
    };
    write(bytes.data(), bytes.size());

    // Oldest first, straight from the ring: one block, or the part up to the end of the
    // buffer and then the part from its start.
    const std::uint32_t head = diagram.head;
    if (count > 0) {
        const std::uint32_t first = std::min(count, diagram.capacity - head);
        write(&diagram.samples[head], std::size_t(first) * kDmgRecordSize);
        if (first < count)
            write(&diagram.samples[0], std::size_t(count - first) * kDmgRecordSize);
    }
    if (!file.commit())
        fail(QStringLiteral("Impossibile scrivere il file"), path, file.errorString());
}

DmgDisplaySettings dmg_display_settings(const DmgHeader& header)
{
    DmgDisplaySettings settings;
    for (int i = 0; i < kDmgChannels; ++i)
        settings.names[i] = dmg_name(header.name[i]);
    settings.y_max = std::int16_t(std::uint16_t(std::uint32_t(header.y_max) & 0xFFFF));
    settings.y_min = std::int16_t(std::uint16_t(std::uint32_t(header.y_min) & 0xFFFF));
    settings.flags = header.flags;
    return settings;
}

DmgReadResult dmg_read_contents(const QString& path, std::uint32_t most, DmgContents& contents)
{
    if (!QFile::exists(path))
        return DmgReadResult::Missing;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        fail(QStringLiteral("Impossibile aprire il file"), path, file.errorString());

    if (file.size() <= qint64(kDmgHeaderSize))
        return DmgReadResult::BadFile;
    DmgHeaderBytes bytes{};
    if (file.read(reinterpret_cast<char*>(bytes.data()), qint64(bytes.size()))
        != qint64(bytes.size()))
        return DmgReadResult::BadFile;
    if (dmg_xor(bytes.data(), bytes.size()) != 0)
        return DmgReadResult::BadFile;
    const DmgHeader header = dmg_decode_header(bytes);
    if (header.count == 0 || header.count > most)
        return DmgReadResult::BadCount;

    // The records go to a buffer first: a file that ends early changes nothing.
    const std::size_t size = std::size_t(header.count) * kDmgRecordSize;
    std::vector<Sample> records(header.count);
    if (file.read(reinterpret_cast<char*>(records.data()), qint64(size)) != qint64(size))
        return DmgReadResult::BadFile;
    contents.header = header;
    contents.records = std::move(records);
    return DmgReadResult::Loaded;
}

DmgReadResult dmg_read(const QString& path, Diagramx& diagram, DmgDisplaySettings& settings)
{
    // The diagram's ring holds one sample fewer than its slots.
    const std::uint32_t most = std::min(kDmgMaxCount, diagram.capacity ? diagram.capacity - 1 : 0);
    DmgContents contents;
    const DmgReadResult result = dmg_read_contents(path, most, contents);
    if (result != DmgReadResult::Loaded)
        return result;
    diagram.Clear();
    settings = dmg_fill(diagram, contents);
    return DmgReadResult::Loaded;
}

DmgDisplaySettings dmg_fill(Diagramx& diagram, const DmgContents& contents)
{
    const std::uint32_t count =
        std::min<std::uint32_t>(std::uint32_t(contents.records.size()),
                                diagram.capacity ? diagram.capacity - 1 : 0);
    std::memcpy(&diagram.samples[0], contents.records.data(), std::size_t(count) * kDmgRecordSize);
    diagram.head = 0;
    diagram.tail = count;
    for (int i = 0; i < kDmgChannels; ++i)
        diagram.channelColor[i] = contents.header.colour[i];
    return dmg_display_settings(contents.header);
}

bool dmg_load(const QString& path, Diagramx& diagram, DmgDisplaySettings& settings)
{
    switch (dmg_read(path, diagram, settings)) {
    case DmgReadResult::Loaded:
        return true;
    case DmgReadResult::Missing:
        return false;
    case DmgReadResult::BadFile:
        message_box(QStringLiteral("File Dati Errato!"), QStringLiteral("Attenzione"),
                    MessageIcon::Stop);
        return false;
    case DmgReadResult::BadCount:
        message_box(QStringLiteral("Errore Numero Dati!"), QStringLiteral("Attenzione"),
                    MessageIcon::Stop);
        return false;
    }
    return false;
}
