// Start-up probe, loaded into the real program (build/app/grafion) with LD_PRELOAD by
// startup_bench: it changes nothing the program does, it only notes when the program got
// where. Each milestone is a line "NAME SECONDS" on the file descriptor named by
// GRAFION_STARTUP_PROBE_FD, SECONDS on CLOCK_MONOTONIC (the clock the driver read just
// before it started the program):
//   loaded   the libraries are loaded and their initialisers run (before main)
//   app      the application object is being made (QCoreApplication's constructor)
//   shown    the main window receives its Show event
//   picture  the diagram's picture is first painted on the window (the diagram is drawn)
//   painted  the main window's first paint has been done, children included
//   rss      the resident memory then, in KiB
// After "painted" the probe asks the program to quit. Without the variable it does nothing.

#include "rss.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

int probe_fd()
{
    static const int fd = [] {
        const char* s = std::getenv("GRAFION_STARTUP_PROBE_FD");
        return s ? std::atoi(s) : -1;
    }();
    return fd;
}

double now_s()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

void note(const char* name, double value)
{
    char line[64];
    const int n = std::snprintf(line, sizeof line, "%s %.6f\n", name, value);
    if (probe_fd() >= 0 && n > 0) {
        const ssize_t written = ::write(probe_fd(), line, std::size_t(n));
        (void)written; // the driver notices a missing line
    }
}

bool is_main_window(QObject* object)
{
    auto* w = qobject_cast<QWidget*>(object);
    return w && w->isWindow() && w->inherits("TForm_net");
}

class Probe : public QObject {
protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show && !shown_ && is_main_window(watched)) {
            shown_ = true;
            note("shown", now_s());
        } else if (event->type() == QEvent::Paint && !picture_ && watched->inherits("ImageControl")
                   && is_main_window(static_cast<QWidget*>(watched)->window())) {
            picture_ = true;
            note("picture", now_s());
        }
        if (event->type() == QEvent::Paint && !painted_ && is_main_window(watched)) {
            // The window is painted with its children in one pass; a queued call runs once
            // that pass (and the copy to the screen) is over.
            painted_ = true;
            QTimer::singleShot(0, this, [] {
                note("painted", now_s());
                note("rss", double(rss_kib()));
                QCoreApplication::quit();
            });
        }
        return QObject::eventFilter(watched, event);
    }

private:
    bool shown_ = false;
    bool picture_ = false;
    bool painted_ = false;
};

void install_probe()
{
    if (probe_fd() < 0)
        return;
    note("app", now_s());
    QCoreApplication::instance()->installEventFilter(new Probe);
}

[[gnu::constructor]] void note_loaded()
{
    if (probe_fd() >= 0)
        note("loaded", now_s());
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(install_probe)
