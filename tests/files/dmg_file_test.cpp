// Diagram files: layout of the header, writing from the ring, reading with every check, and
// what a rejected or damaged file leaves behind (failed saves: save_failure_test.cpp; arbitrary
// bytes: the fuzz target fuzz/fuzz_dmg_file.cpp, replayed over its corpus by CTest).

#include "Diagramx.h"
#include "Dmg_file.h"
#include "message_box.h"

#include <QFile>
#include <QTemporaryDir>
#include <QWidget>
#include <QtEndian>

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <tuple>
#include <utility>

namespace {

struct Host {
    QWidget widget;
    std::unique_ptr<Diagramx> d = std::make_unique<Diagramx>(&widget, 8, 5000, 20001);
    // Appends n samples whose values tell their order: value c of sample k is k * 10 + c.
    void append(int n)
    {
        double v[8];
        for (int k = 0; k < n; ++k) {
            for (int c = 0; c < 8; ++c)
                v[c] = k * 10.0 + c;
            d->AddSample(k * 0.001, v, 8);
        }
    }
};

DmgDisplaySettings display(std::int16_t yMax = 1200, std::int16_t yMin = -300,
                           std::uint32_t flags = 1)
{
    DmgDisplaySettings s;
    for (int i = 0; i < 8; ++i)
        s.names[i] = QStringLiteral("Dat Mis %1").arg(i + 1);
    s.y_max = yMax;
    s.y_min = yMin;
    s.flags = flags;
    return s;
}

QByteArray read_all(const QString& path)
{
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly));
    return f.readAll();
}

void write_all(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

// A file of count records with a sealed header (the check byte right for whatever count says).
QByteArray make_file(std::uint32_t count, std::uint32_t records)
{
    DmgHeader h;
    h.count = count;
    for (int i = 0; i < 8; ++i) {
        dmg_set_name(h.name[i], QStringLiteral("Canale %1").arg(i + 1));
        h.colour[i] = 0x102030u + std::uint32_t(i);
    }
    dmg_seal_header(h);
    const DmgHeaderBytes hb = dmg_encode_header(h);
    QByteArray bytes(reinterpret_cast<const char*>(hb.data()), int(hb.size()));
    for (std::uint32_t k = 0; k < records; ++k) {
        Sample s;
        for (int c = 0; c < 8; ++c)
            s.value[c] = 1.0 + k;
        s.t = k * 0.001;
        bytes.append(reinterpret_cast<const char*>(&s), sizeof s);
    }
    return bytes;
}

// What a rejected file must leave as it was.
auto state_of(const Diagramx& d)
{
    return std::tuple(d.head, d.tail, d.channelColor[2], d.samples[0].value[0], d.samples[0].t);
}

class DmgFile : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }
};

} // namespace

TEST(DmgHeaderLayout, NamesAreCutToTheirFieldBothWays)
{
    char slot[50];
    dmg_set_name(slot, QString(80, u'x'));
    EXPECT_EQ(slot[49], 0); // always ended inside the field
    EXPECT_EQ(dmg_name(slot), QString(49, u'x'));

    // A slot without a zero byte is read to its end and not beyond.
    DmgHeader h;
    std::memset(h.name[0], 'A', 50);
    dmg_set_name(h.name[1], QStringLiteral("BBB"));
    const DmgHeader back = dmg_decode_header(dmg_encode_header(h));
    EXPECT_EQ(dmg_name(back.name[0]), QString(50, u'A'));
    EXPECT_EQ(dmg_name(back.name[1]), QStringLiteral("BBB"));
}

// The ring has wrapped, so its samples go out as two blocks: up to the end of the buffer, then
// from its start.
TEST_F(DmgFile, WrappedRingIsWrittenOldestFirstAndReadBackInOrder)
{
    Host live;
    live.append(20000 + 777); // full ring, oldest sample in the middle of the buffer
    ASSERT_EQ(live.d->head, 777u);
    ASSERT_EQ(live.d->tail, 776u);
    live.d->channelColor[0] = 0x0000FF;
    live.d->channelColor[3] = 0x123456;
    // The fixed scale (flags bit 0) switched off still stores its limits.
    dmg_write(path("wrapped.dmg"), *live.d, display(-7, -300, 0xA0000000u));

    const QByteArray bytes = read_all(path("wrapped.dmg"));
    ASSERT_EQ(bytes.size(), 452 + 72 * 20000);
    // The header, little-endian: count, names zero-padded to 50 bytes, colours 0x00BBGGRR,
    // limits sign-extended, flags, the check byte that makes the XOR 0, three zero bytes.
    const auto* b = reinterpret_cast<const std::uint8_t*>(bytes.constData());
    EXPECT_EQ(std::memcmp(b + 4, "Dat Mis 1", 9), 0);
    EXPECT_EQ(std::memcmp(b + 354, "Dat Mis 8", 9), 0);
    for (int i = 4 + 9; i < 54; ++i)
        EXPECT_EQ(b[i], 0) << "name padding at " << i;
    const std::pair<int, std::uint32_t> words[] = {{0, 20000},           {404, 0x0000FF},
                                                   {404 + 12, 0x123456}, {436, 0xFFFFFFF9u},
                                                   {440, 0xFFFFFED4u},   {444, 0xA0000000u}};
    for (const auto& [offset, value] : words)
        EXPECT_EQ(qFromLittleEndian<std::uint32_t>(b + offset), value) << "offset " << offset;
    EXPECT_EQ(b[449] | b[450] | b[451], 0);
    EXPECT_EQ(dmg_xor(b, 452), 0);

    Host viewer;
    viewer.append(10);
    DmgDisplaySettings loaded;
    ASSERT_EQ(dmg_read(path("wrapped.dmg"), *viewer.d, loaded), DmgReadResult::Loaded);
    EXPECT_EQ(viewer.d->head, 0u);
    EXPECT_EQ(viewer.d->tail, 20000u);
    for (std::uint32_t k = 0; k < 20000; ++k) {
        const Sample& s = viewer.d->samples[k];
        ASSERT_EQ(s.value[5], (777.0 + k) * 10 + 5) << "sample " << k;
        ASSERT_DOUBLE_EQ(s.t, (777 + k) * 0.001);
    }
    EXPECT_EQ(viewer.d->channelColor[3], 0x123456u);
    EXPECT_EQ(loaded.names[7], QStringLiteral("Dat Mis 8"));
    EXPECT_EQ(loaded.y_max, -7);
    EXPECT_EQ(loaded.y_min, -300);
    EXPECT_EQ(loaded.flags, 0xA0000000u);
}

// Whatever is wrong with a file, the diagram and the settings stay as they were and the
// reader's stop message says what it was; a missing file is passed over in silence.
TEST_F(DmgFile, RejectedFilesChangeNothing)
{
    Host viewer;
    viewer.append(5);
    viewer.d->channelColor[2] = 0xABCDEF;
    const auto before = state_of(*viewer.d);
    DmgDisplaySettings loaded = display();
    MessageRecorder recorder;
    const QString badFile = QStringLiteral("File Dati Errato!"),
                  badCount = QStringLiteral("Errore Numero Dati!");
    auto expect_rejected = [&](const QByteArray& bytes, const QString& message,
                               const std::string& what) {
        write_all(path("bad.dmg"), bytes);
        recorder.clear();
        EXPECT_FALSE(dmg_load(path("bad.dmg"), *viewer.d, loaded)) << what;
        EXPECT_EQ(state_of(*viewer.d), before) << what;
        ASSERT_EQ(recorder.messages().size(), 1u) << what;
        EXPECT_EQ(recorder.messages()[0].text, message) << what;
    };
    // Any single byte of the header changed.
    const QByteArray good = make_file(3, 3);
    for (int offset = 0; offset < 452; ++offset) {
        QByteArray bad = good;
        bad[offset] = char(bad[offset] ^ 0x21);
        expect_rejected(bad, badFile, "offset " + std::to_string(offset));
    }
    // A count outside 1..20000.
    for (std::uint32_t count : {0u, 20001u, 0xFFFFFFFFu})
        expect_rejected(make_file(count, 2), badCount, "count " + std::to_string(count));
    // Too short: the size must exceed the header's 452 bytes, and the last record must be whole.
    expect_rejected(make_file(1, 0), badFile, "a valid header only");
    expect_rejected(make_file(4, 4).chopped(1), badFile, "one byte short");
    expect_rejected(QByteArray(), badFile, "empty");
    EXPECT_EQ(loaded.names[0], QStringLiteral("Dat Mis 1"));

    recorder.clear();
    EXPECT_FALSE(dmg_load(path("nothing-here.dmg"), *viewer.d, loaded));
    EXPECT_TRUE(recorder.messages().empty());
    EXPECT_EQ(state_of(*viewer.d), before);
}
