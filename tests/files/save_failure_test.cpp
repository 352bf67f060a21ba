// Saving a diagram file and the settings file when the save cannot complete: a full disk, a
// place that cannot be written, the folder or the old file taken away while the new one is
// being written. Whatever happens the failure is reported, the file at the target is either
// the old one or the whole new one, and no temporary file is left behind.

#include "Diagramx.h"
#include "Dmg_file.h"
#include "Globvar.h"
#include "Settings_file.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QWidget>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <linux/capability.h>
#include <poll.h>
#include <signal.h>
#include <sys/fanotify.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <functional>
#include <memory>
#include <stdexcept>
#include <thread>

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

// File permissions apply to this thread even when it runs as root: the capabilities that
// override them are taken out of its effective set for a while (they stay permitted, so
// they come back).
struct PermissionsApply {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct old[2] = {};
    PermissionsApply()
    {
        ::syscall(SYS_capget, &header, old);
        __user_cap_data_struct now[2] = {old[0], old[1]};
        now[0].effective &=
            ~(1u << CAP_DAC_OVERRIDE | 1u << CAP_DAC_READ_SEARCH | 1u << CAP_FOWNER);
        ::syscall(SYS_capset, &header, now);
    }
    ~PermissionsApply() { ::syscall(SYS_capset, &header, old); }
};

// Runs `act` at the moment the saver opens a new file in `folder`, while that open waits:
// the file exists, nothing has been written to it, and the save goes on only afterwards.
// Needs fanotify, which only a privileged process may use.
class OnFirstOpen {
public:
    OnFirstOpen(const QString& folder, std::function<void()> act)
    {
        fd_ = ::fanotify_init(FAN_CLASS_CONTENT | FAN_CLOEXEC, O_RDONLY);
        if (fd_ >= 0
            && ::fanotify_mark(fd_, FAN_MARK_ADD, FAN_OPEN_PERM | FAN_EVENT_ON_CHILD, AT_FDCWD,
                               QFile::encodeName(folder).constData())
                   != 0) {
            ::close(fd_);
            fd_ = -1;
        }
        if (fd_ >= 0)
            watcher_ = std::thread([this, act = std::move(act)] { watch(act); });
    }
    ~OnFirstOpen()
    {
        fired();
        if (fd_ >= 0)
            ::close(fd_);
    }
    bool available() const { return fd_ >= 0; }
    // After the save has returned.
    bool fired()
    {
        stop_ = true;
        if (watcher_.joinable())
            watcher_.join();
        return fired_;
    }

private:
    // Every open in the folder waits for an answer; the first one by this process runs act.
    void watch(const std::function<void()>& act)
    {
        alignas(fanotify_event_metadata) char buffer[4096];
        while (!fired_ && !stop_) {
            pollfd ready{fd_, POLLIN, 0};
            if (::poll(&ready, 1, 50) <= 0)
                continue;
            ssize_t n = ::read(fd_, buffer, sizeof buffer);
            if (n <= 0)
                return;
            auto* event = reinterpret_cast<fanotify_event_metadata*>(buffer);
            for (; FAN_EVENT_OK(event, n); event = FAN_EVENT_NEXT(event, n)) {
                if (event->fd < 0)
                    continue;
                if (!fired_ && event->pid == ::getpid()) {
                    act();
                    fired_ = true;
                }
                fanotify_response answer{event->fd, FAN_ALLOW};
                [[maybe_unused]] auto written = ::write(fd_, &answer, sizeof answer);
                ::close(event->fd);
            }
        }
    }

    int fd_ = -1;
    std::thread watcher_;
    std::atomic<bool> stop_ = false;
    bool fired_ = false; // read by the test only after the watcher has ended
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

    // A save that must fail: it says so, and leaves `target` as `before` (absent when empty)
    // and nothing else in its folder.
    void expect_failed(const QString& error, const QString& target, const QByteArray& before)
    {
        const QFileInfo info(target);
        EXPECT_FALSE(error.isEmpty()) << "reported as saved";
        if (GetParam() == 0) { // the diagram's error names the file
            EXPECT_TRUE(error.contains(info.fileName())) << error.toStdString();
        }
        EXPECT_EQ(read_all(target), before);
        EXPECT_EQ(entries(info.path()),
                  before.isEmpty() ? QStringList() : QStringList{info.fileName()});
    }

    DiagramHost host;
    Saver saver;
};

} // namespace

// One case per saver for every way a save can fail, each in a new folder of its own.
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
        expect_failed(error, target, before);
    }
    // Room again: the next save goes through.
    EXPECT_EQ(saver.save(target, 3), QString());
    EXPECT_EQ(QFileInfo(target).size(), saver.size);
}

TEST_P(SaveFailure, UnwritablePlace)
{
    QTemporaryDir dir;
    // A folder that cannot exist because a file has its name: holds for root as well.
    const QString plain = dir.filePath(QStringLiteral("plain"));
    {
        QFile f(plain);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("x");
    }
    const QString error = saver.save(plain + QStringLiteral("/file.dat"), 1);
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(read_all(plain), QByteArray("x"));
    EXPECT_EQ(entries(dir.path()), QStringList{QStringLiteral("plain")});

    // A read-only folder with an old file in it.
    const QString folder = dir.filePath(QStringLiteral("ro"));
    ASSERT_TRUE(QDir().mkdir(folder));
    const QString target = folder + QStringLiteral("/file.dat");
    ASSERT_EQ(saver.save(target, 1), QString());
    const QByteArray before = read_all(target);
    QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    QString roError;
    {
        PermissionsApply asUser;
        roError = saver.save(target, 2);
    }
    QFile::setPermissions(folder,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    expect_failed(roError, target, before);
}

TEST_P(SaveFailure, FolderOrOldFileTakenAwayWhileWriting)
{
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("away"));
    const QString target = folder + QStringLiteral("/file.dat");
    ASSERT_TRUE(QDir().mkdir(folder));
    ASSERT_EQ(saver.save(target, 1), QString());

    // The old file is deleted once the new one has been started: the new one is saved whole.
    {
        OnFirstOpen deleteOld(folder, [&] { QFile::remove(target); });
        if (!deleteOld.available()) {
            std::printf("fanotify is not available to this process: not run\n");
            return;
        }
        EXPECT_EQ(saver.save(target, 2), QString());
        EXPECT_TRUE(deleteOld.fired());
    }
    EXPECT_EQ(QFileInfo(target).size(), saver.size);
    EXPECT_EQ(entries(folder), QStringList{QStringLiteral("file.dat")});

    // The whole folder goes: the save fails and nothing comes back.
    {
        OnFirstOpen removeFolder(folder, [&] { QDir(folder).removeRecursively(); });
        const QString error = saver.save(target, 3);
        EXPECT_TRUE(removeFolder.fired());
        EXPECT_FALSE(error.isEmpty()) << "reported as saved";
    }
    EXPECT_FALSE(QFileInfo::exists(folder));
    EXPECT_TRUE(entries(dir.path()).isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Files, SaveFailure, ::testing::Values(0, 1), [](const auto& info) {
    return std::string(info.param == 0 ? "Diagram" : "Settings");
});
