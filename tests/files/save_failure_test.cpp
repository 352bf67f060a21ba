// Saving a diagram file and the settings file when the disk fills up: the failure is reported,
// the file at the target is the old one (or none), and no temporary file is left behind.

#include "Diagramx.h"
#include "Dmg_file.h"
#include "Globvar.h"
#include "Settings_file.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QWidget>

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>

#include <functional>
#include <memory>
#include <stdexcept>

namespace {

QByteArray read_all(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Everything in a folder, hidden files included.
QStringList entries(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System
                                  | QDir::NoDotAndDotDot);
}

// One of the two files the program saves. save() writes the state given by `round` (each round
// differs from the last) and returns the error it reported, empty when it reported success.
struct Saver {
    std::function<QString(const QString& path, int round)> save;
    qint64 size; // of a saved file
};

struct DiagramHost {
    QWidget widget;
    std::unique_ptr<Diagramx> d = std::make_unique<Diagramx>(&widget, 8, 5000, 20001);
};

QString save_diagram(DiagramHost& host, const QString& path, int round)
{
    host.d->Clear();
    double v[8] = {};
    for (int k = 0; k < 20000; ++k) {
        v[0] = k + round;
        host.d->AddSample(k * 0.001, v, 8);
    }
    try {
        dmg_write(path, *host.d, DmgDisplaySettings{});
    } catch (const std::runtime_error& e) {
        return QString::fromLocal8Bit(e.what());
    }
    return {};
}

QString save_settings(const QString& path, int round)
{
    link_state.settings_path = QFile::encodeName(path).toStdString();
    link_state.settings.y_max = std::int16_t(round);
    return settings_save() ? QString() : QStringLiteral("not saved");
}

// Writes fail past `limit` bytes of a file, as on a full disk (EFBIG instead of the signal
// that would end the process). Holds for root too.
struct FileSizeLimit {
    rlimit old{};
    struct sigaction oldAction = {};
    explicit FileSizeLimit(rlim_t limit)
    {
        struct sigaction ignore = {};
        ignore.sa_handler = SIG_IGN;
        ::sigaction(SIGXFSZ, &ignore, &oldAction);
        ::getrlimit(RLIMIT_FSIZE, &old);
        rlimit small = old;
        small.rlim_cur = limit;
        ::setrlimit(RLIMIT_FSIZE, &small);
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &old);
        ::sigaction(SIGXFSZ, &oldAction, nullptr);
    }
};

class SaveFailure : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override
    {
        link_state_reset();
        saver = GetParam() == 0
                    ? Saver{[this](const QString& p, int r) { return save_diagram(host, p, r); },
                            qint64(kDmgHeaderSize + 20000 * kDmgRecordSize)}
                    : Saver{save_settings, qint64(SETTINGS_FILE_SIZE)};
    }
    void TearDown() override { link_state_reset(); }

    DiagramHost host;
    Saver saver;
};

} // namespace

TEST_P(SaveFailure, FullDisk)
{
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("full.dat"));
    for (const bool existing : {false, true}) {
        SCOPED_TRACE(existing ? "over an old file" : "new file");
        QFile::remove(target);
        if (existing) {
            ASSERT_EQ(saver.save(target, 1), QString());
        }
        const QByteArray before = read_all(target);
        QString error;
        {
            FileSizeLimit full(rlim_t(saver.size / 2));
            error = saver.save(target, 2);
        }
        EXPECT_FALSE(error.isEmpty()) << "reported as saved";
        if (GetParam() == 0) { // the diagram's error names the file
            EXPECT_TRUE(error.contains("full.dat")) << error.toStdString();
        }
        EXPECT_EQ(read_all(target), before);
        EXPECT_EQ(entries(dir.path()), existing ? QStringList{"full.dat"} : QStringList());
    }
    // Room again: the next save goes through.
    EXPECT_EQ(saver.save(target, 3), QString());
    EXPECT_EQ(QFileInfo(target).size(), saver.size);
}

INSTANTIATE_TEST_SUITE_P(Files, SaveFailure, ::testing::Values(0, 1), [](const auto& info) {
    return std::string(info.param == 0 ? "Diagram" : "Settings");
});
