// Diagram files: layout of the header, writing from the ring, reading with every check, and
// what a rejected or damaged file leaves behind (failed saves: save_failure_test.cpp; arbitrary
// bytes: the fuzz target fuzz/fuzz_dmg_file.cpp, replayed over its corpus by CTest).

#include "Diagramx.h"
#include "Dmg_file.h"
#include "message_box.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QWidget>

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>

namespace {

struct Host {
    std::unique_ptr<QWidget> widget = std::make_unique<QWidget>();
    std::unique_ptr<Diagramx> d;
    Host()
    {
        widget->resize(500, 300);
        d = std::make_unique<Diagramx>(widget.get(), 8, 5000, 20001);
    }
    ~Host()
    {
        d.reset();
        widget.reset();
    }
    // Appends n samples whose values tell their order: value c of sample k is k * 10 + c.
    void append(int n, int first = 0)
    {
        double v[8];
        for (int k = first; k < first + n; ++k) {
            for (int c = 0; c < 8; ++c)
                v[c] = k * 10.0 + c;
            d->AddSample(k * 0.001, v, 8);
        }
    }
};

DmgDisplaySettings display(std::int16_t yMax = 1200, std::int16_t yMin = -300, std::uint32_t flags = 1)
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

std::uint32_t u32_at(const QByteArray& b, int offset)
{
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = v << 8 | std::uint8_t(b[offset + i]);
    return v;
}

// A file of count records with a sealed header (the check byte right for whatever count says).
QByteArray make_file(std::uint32_t count, std::uint32_t records, double value = 1.0)
{
    DmgHeader h;
    h.count = count;
    for (int i = 0; i < 8; ++i) {
        dmg_set_name(h.name[i], QStringLiteral("Canale %1").arg(i + 1));
        h.colour[i] = 0x102030u + std::uint32_t(i);
    }
    h.y_max = 500;
    h.y_min = -500;
    h.flags = 0;
    dmg_seal_header(h);
    const DmgHeaderBytes hb = dmg_encode_header(h);
    QByteArray bytes(reinterpret_cast<const char*>(hb.data()), int(hb.size()));
    for (std::uint32_t k = 0; k < records; ++k) {
        Sample s;
        for (int c = 0; c < 8; ++c)
            s.value[c] = value + k;
        s.t = k * 0.001;
        bytes.append(reinterpret_cast<const char*>(&s), sizeof s);
    }
    return bytes;
}

// What a rejected file must leave as it was.
struct DiagramState {
    std::uint32_t head, tail;
    Color colour[8];
    Sample first;
    explicit DiagramState(const Diagramx& d) : head(d.head), tail(d.tail), first(d.samples[0])
    {
        std::memcpy(colour, d.channelColor, sizeof colour);
    }
    bool same(const Diagramx& d) const
    {
        return d.head == head && d.tail == tail && std::memcmp(colour, d.channelColor, sizeof colour) == 0 &&
            std::memcmp(&first, &d.samples[0], sizeof first) == 0;
    }
};

class DmgFile : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }
};

} // namespace

TEST(DmgHeaderLayout, FieldsSitAtTheirOffsetsLittleEndianWithZeroXor)
{
    DmgHeader h;
    h.count = 0x01020304;
    dmg_set_name(h.name[0], QStringLiteral("Dat Mis 1"));
    dmg_set_name(h.name[7], QStringLiteral("Dat Mis 8"));
    h.colour[0] = 0x0000FF;
    h.colour[7] = 0x00FF00;
    h.y_max = -2;
    h.y_min = 0x7FFF;
    h.flags = 0x80000001u;
    dmg_seal_header(h);
    const DmgHeaderBytes b = dmg_encode_header(h);
    EXPECT_EQ(b.size(), 452u);
    EXPECT_EQ(b[0], 0x04);
    EXPECT_EQ(b[3], 0x01);
    EXPECT_EQ(std::memcmp(&b[4], "Dat Mis 1\0", 10), 0);
    EXPECT_EQ(std::memcmp(&b[354], "Dat Mis 8\0", 10), 0);
    for (int i = 4 + 9; i < 54; ++i)
        EXPECT_EQ(b[i], 0) << "name padding at " << i;
    EXPECT_EQ(b[404], 0xFF); // red in the lowest byte
    EXPECT_EQ(b[404 + 28 + 1], 0xFF);
    EXPECT_EQ(b[436], 0xFE);
    EXPECT_EQ(b[439], 0xFF); // sign-extended
    EXPECT_EQ(b[440], 0xFF);
    EXPECT_EQ(b[441], 0x7F);
    EXPECT_EQ(b[444], 0x01);
    EXPECT_EQ(b[447], 0x80);
    EXPECT_EQ(b[449] | b[450] | b[451], 0);
    EXPECT_EQ(dmg_xor(b.data(), b.size()), 0);

    const DmgHeader back = dmg_decode_header(b);
    EXPECT_EQ(back.count, h.count);
    EXPECT_EQ(back.y_max, -2);
    EXPECT_EQ(back.flags, 0x80000001u);
    EXPECT_EQ(dmg_name(back.name[7]), QStringLiteral("Dat Mis 8"));
}

TEST(DmgHeaderLayout, NamesAreCutToTheirFieldBothWays)
{
    char slot[50];
    dmg_set_name(slot, QString(80, u'x'));
    EXPECT_EQ(slot[48], 'x');
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

TEST_F(DmgFile, WrappedRingIsWrittenOldestFirstAndReadBackInOrder)
{
    Host live;
    live.append(20000 + 777); // full ring, oldest sample in the middle of the buffer
    ASSERT_EQ(live.d->head, 777u);
    ASSERT_EQ(live.d->tail, 776u);
    live.d->channelColor[3] = 0x123456;
    dmg_write(path("wrapped.dmg"), *live.d, display(-7, -300, 0xA0000000u));

    const QByteArray bytes = read_all(path("wrapped.dmg"));
    ASSERT_EQ(bytes.size(), 452 + 72 * 20000);
    EXPECT_EQ(u32_at(bytes, 0), 20000u);
    EXPECT_EQ(u32_at(bytes, 404 + 12), 0x123456u);
    EXPECT_EQ(u32_at(bytes, 436), 0xFFFFFFF9u); // -7 sign-extended
    EXPECT_EQ(u32_at(bytes, 444), 0xA0000000u); // the whole flags word
    Sample oldest, newest;
    std::memcpy(&oldest, bytes.constData() + 452, 72);
    std::memcpy(&newest, bytes.constData() + 452 + 72 * 19999, 72);
    EXPECT_EQ(oldest.value[0], 7770.0);
    EXPECT_EQ(newest.value[0], 207760.0);

    Host viewer;
    viewer.append(10);
    DmgDisplaySettings loaded;
    ASSERT_EQ(dmg_read(path("wrapped.dmg"), *viewer.d, loaded), DmgReadResult::Loaded);
    EXPECT_EQ(viewer.d->head, 0u);
    EXPECT_EQ(viewer.d->tail, 20000u);
    EXPECT_EQ(viewer.d->SampleCount(), 20000u);
    for (std::uint32_t k = 0; k < 20000; ++k) {
        const Sample& s = viewer.d->samples[k];
        ASSERT_EQ(s.value[5], (777.0 + k) * 10 + 5) << "sample " << k;
        ASSERT_DOUBLE_EQ(s.t, (777 + k) * 0.001);
    }
    EXPECT_EQ(viewer.d->channelColor[3], 0x123456u);
    EXPECT_EQ(viewer.d->channelColor[0], Diagramx::kDefaultColors[0]);
    EXPECT_EQ(loaded.names[7], QStringLiteral("Dat Mis 8"));
    EXPECT_EQ(loaded.y_max, -7);
    EXPECT_EQ(loaded.y_min, -300);
    EXPECT_EQ(loaded.flags, 0xA0000000u);
    EXPECT_EQ(viewer.d->view.followLatest, 1); // Clear() ran
}

TEST_F(DmgFile, TailWrappedPastTheEndIsWrittenAsTwoBlocks)
{
    Host live;
    // 21 samples: 11 at the end of the buffer, 10 from its start.
    for (std::uint32_t k = 0; k < 21; ++k) {
        Sample& s = live.d->samples[(19990 + k) % 20001];
        for (int c = 0; c < 8; ++c)
            s.value[c] = k;
        s.t = k;
    }
    live.d->head = 19990;
    live.d->tail = 10;
    ASSERT_EQ(live.d->SampleCount(), 21u);
    // The fixed scale switched off still stores its limits.
    dmg_write(path("two.dmg"), *live.d, display(900, 100, 0));
    const QByteArray bytes = read_all(path("two.dmg"));
    ASSERT_EQ(bytes.size(), 452 + 72 * 21);
    for (int k = 0; k < 21; ++k) {
        double t;
        std::memcpy(&t, bytes.constData() + 452 + 72 * k + 64, 8);
        EXPECT_EQ(t, double(k));
    }
    Host viewer;
    DmgDisplaySettings loaded;
    ASSERT_EQ(dmg_read(path("two.dmg"), *viewer.d, loaded), DmgReadResult::Loaded);
    EXPECT_EQ(loaded.y_max, 900);
    EXPECT_EQ(loaded.y_min, 100);
    EXPECT_EQ(loaded.flags, 0u);
}

TEST_F(DmgFile, EverySingleByteChangeOfTheHeaderIsRejectedAndChangesNothing)
{
    const QByteArray good = make_file(3, 3);
    Host viewer;
    viewer.append(5);
    viewer.d->channelColor[2] = 0xABCDEF;
    const DiagramState before(*viewer.d);
    DmgDisplaySettings loaded = display();
    MessageRecorder recorder;
    for (int offset = 0; offset < 452; ++offset) {
        QByteArray bad = good;
        bad[offset] = char(bad[offset] ^ 0x21);
        write_all(path("bad.dmg"), bad);
        ASSERT_FALSE(dmg_load(path("bad.dmg"), *viewer.d, loaded)) << "offset " << offset;
        ASSERT_TRUE(before.same(*viewer.d)) << "offset " << offset;
    }
    ASSERT_EQ(recorder.messages().size(), 452u);
    for (const auto& m : recorder.messages()) {
        EXPECT_EQ(m.text, QStringLiteral("File Dati Errato!"));
        EXPECT_EQ(m.title, QStringLiteral("Attenzione"));
        EXPECT_EQ(m.icon, MessageIcon::Stop);
    }
    EXPECT_EQ(loaded.names[0], QStringLiteral("Dat Mis 1"));

    // Two bytes changed by the same pattern keep the XOR at zero: the file passes.
    QByteArray twice = good;
    twice[9] = char(twice[9] ^ 0x20);
    twice[59] = char(twice[59] ^ 0x20);
    write_all(path("twice.dmg"), twice);
    EXPECT_EQ(dmg_read(path("twice.dmg"), *viewer.d, loaded), DmgReadResult::Loaded);
    EXPECT_EQ(loaded.names[0], QStringLiteral("CanalE 1"));
    EXPECT_EQ(loaded.names[1], QStringLiteral("CanalE 2"));
}

TEST_F(DmgFile, CountOutsideOneTo20000IsRejectedWithItsMessage)
{
    Host viewer;
    viewer.append(5);
    const DiagramState before(*viewer.d);
    DmgDisplaySettings loaded;
    MessageRecorder recorder;
    for (std::uint32_t count : {0u, 20001u, 0xFFFFFFFFu}) {
        write_all(path("count.dmg"), make_file(count, 2));
        EXPECT_FALSE(dmg_load(path("count.dmg"), *viewer.d, loaded)) << count;
        EXPECT_TRUE(before.same(*viewer.d)) << count;
    }
    ASSERT_EQ(recorder.messages().size(), 3u);
    for (const auto& m : recorder.messages()) {
        EXPECT_EQ(m.text, QStringLiteral("Errore Numero Dati!"));
        EXPECT_EQ(m.title, QStringLiteral("Attenzione"));
        EXPECT_EQ(m.icon, MessageIcon::Stop);
    }

    write_all(path("full.dmg"), make_file(20000, 20000, 5.0));
    ASSERT_TRUE(dmg_load(path("full.dmg"), *viewer.d, loaded));
    EXPECT_EQ(viewer.d->SampleCount(), 20000u);
    EXPECT_EQ(viewer.d->samples[19999].value[7], 5.0 + 19999);
    EXPECT_EQ(loaded.names[2], QStringLiteral("Canale 3"));
    EXPECT_EQ(viewer.d->channelColor[7], 0x102037u);
    EXPECT_EQ(recorder.messages().size(), 3u);
}

TEST_F(DmgFile, ShortFilesAreRejectedAndMissingFilesIgnored)
{
    Host viewer;
    viewer.append(5);
    const DiagramState before(*viewer.d);
    DmgDisplaySettings loaded;
    MessageRecorder recorder;

    // Only a valid header: the size must exceed 452.
    write_all(path("header.dmg"), make_file(1, 0));
    EXPECT_EQ(dmg_read(path("header.dmg"), *viewer.d, loaded), DmgReadResult::BadFile);
    // Ends one byte before its last record.
    write_all(path("cut.dmg"), make_file(4, 4).chopped(1));
    EXPECT_EQ(dmg_read(path("cut.dmg"), *viewer.d, loaded), DmgReadResult::BadFile);
    write_all(path("empty.dmg"), QByteArray());
    EXPECT_FALSE(dmg_load(path("empty.dmg"), *viewer.d, loaded));
    EXPECT_TRUE(before.same(*viewer.d));
    ASSERT_EQ(recorder.messages().size(), 1u);
    EXPECT_EQ(recorder.messages()[0].text, QStringLiteral("File Dati Errato!"));

    recorder.clear();
    EXPECT_FALSE(dmg_load(path("nothing-here.dmg"), *viewer.d, loaded));
    EXPECT_TRUE(recorder.messages().empty());
    EXPECT_TRUE(before.same(*viewer.d));
}

TEST_F(DmgFile, NotANumberAndInfiniteValuesLoadAndPaint)
{
    Host live;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const double odd[] = {nan, inf, -inf, 1.0, 2.0};
    double v[8];
    for (int k = 0; k < 500; ++k) {
        for (int c = 0; c < 8; ++c)
            v[c] = odd[(k + c) % 5];
        live.d->AddSample(k % 7 == 0 ? nan : k * 0.001, v, 8);
    }
    dmg_write(path("odd.dmg"), *live.d, display());
    Host viewer;
    DmgDisplaySettings loaded;
    ASSERT_EQ(dmg_read(path("odd.dmg"), *viewer.d, loaded), DmgReadResult::Loaded);
    EXPECT_TRUE(std::isnan(viewer.d->samples[0].value[0]));
    EXPECT_TRUE(std::isinf(viewer.d->samples[0].value[1]));

    QImage page(800, 600, QImage::Format_RGB32);
    Canvas canvas(&page);
    DrawArea area;
    area.canvas = &canvas;
    area.width = 800;
    area.height = 600;
    viewer.d->printView = viewer.d->view;
    viewer.d->Paint(area, viewer.d->printView);
    viewer.d->Redraw();
    SUCCEED();
}
