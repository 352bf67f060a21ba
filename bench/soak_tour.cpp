#include "soak_tour.h"

#include "Controls.h"
#include "Globvar.h"
#include "Load_dat.h"
#include "Modal.h"
#include "Net_cnx.h"
#include "Print_box.h"
#include "message_box.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QSet>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <algorithm>

using namespace std::chrono_literals;

namespace {

// Where the cups-pdf queue that scripts/cups-start sets up writes its files.
const QString kPdfFolder = QStringLiteral("/var/spool/cups-pdf/grafion");
const QString kDiagramFile = QStringLiteral("soak.dmg");
constexpr std::uint32_t kHeaderSize = 452;
constexpr std::uint32_t kSampleSize = 72;

// The print queue's jobs, as CUPS lists them ("<queue>-<id> ..."), finished ones included.
QSet<int> print_jobs(const QString& queue)
{
    QProcess lpstat;
    lpstat.start(QStringLiteral("lpstat"),
                 {QStringLiteral("-W"), QStringLiteral("all"), QStringLiteral("-o"), queue});
    lpstat.waitForFinished(10000);
    QSet<int> ids;
    const QString prefix = queue + u'-';
    for (const QString& line :
         QString::fromLocal8Bit(lpstat.readAllStandardOutput()).split(u'\n')) {
        const QString job = line.section(u' ', 0, 0);
        bool ok = false;
        const int id = job.startsWith(prefix) ? job.mid(prefix.size()).toInt(&ok) : 0;
        if (ok)
            ids.insert(id);
    }
    return ids;
}

bool captured_or_showing()
{
    return (link_state.trigger_flags.load() & (TRIGGER_CAPTURED | TRIGGER_SHOWING)) != 0;
}

std::uint32_t full_diagram()
{
    return live_diagram->capacity - 1;
}

} // namespace

bool run_until(const std::function<bool()>& done, std::chrono::milliseconds limit)
{
    if (done())
        return true;
    QEventLoop loop;
    QTimer check;
    QElapsedTimer elapsed;
    elapsed.start();
    bool held = false;
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (done()) {
            held = true;
            loop.quit();
        } else if (elapsed.elapsed() > limit.count()) {
            loop.quit();
        }
    });
    check.start(1);
    loop.exec();
    return held;
}

SoakTour::SoakTour(TForm_net& window, SimProcess& sim, MessageRecorder& recorder, QString folder,
                   QString printer)
    : window_(window), sim_(sim), recorder_(recorder), folder_(std::move(folder)),
      printer_(std::move(printer))
{
    run_modal_hook = [this](QDialog& dialog) { return modal(dialog); };
}

SoakTour::~SoakTour()
{
    run_modal_hook = nullptr;
}

void SoakTour::fail(const QString& what)
{
    failures << QStringLiteral("tour %1: %2").arg(figures.tours).arg(what);
}

bool SoakTour::click(QAbstractButton* button, const char* what)
{
    if (!run_until([button] { return button->isEnabled(); }, 10s)) {
        fail(QStringLiteral("%1 stayed disabled").arg(what));
        return false;
    }
    QTest::mouseClick(button, Qt::LeftButton);
    return true;
}

bool SoakTour::choose_mode(int mode)
{
    const QList<QRadioButton*> radios =
        window_.RadioGroup_trigger_type->findChildren<QRadioButton*>();
    if (mode >= radios.size() || !window_.RadioGroup_trigger_type->isEnabled()) {
        fail(QStringLiteral("trigger mode %1 cannot be chosen").arg(mode));
        return false;
    }
    QTest::mouseClick(radios[mode], Qt::LeftButton);
    if (link_state.settings.trigger_mode.load() != mode) {
        fail(QStringLiteral("trigger mode %1 not taken").arg(mode));
        return false;
    }
    return true;
}

// After Stop the controller sends the block it was asked for, which is not stored and not
// acknowledged, and then only poll replies: once a poll is answered nothing more comes.
bool SoakTour::settle_after_stop()
{
    link_state.poll_reply_words[0] = -1;
    link_state.poll_reply_words[1] = -1;
    const bool polled = run_until(
        [] {
            return link_state.poll_reply_words[0].load() != -1
                   || link_state.poll_reply_words[1].load() != -1;
        },
        20s);
    if (on_held_loop)
        on_held_loop();
    return polled;
}

bool SoakTour::start_rolling()
{
    faults_allowed_ = false;
    if (!choose_mode(0))
        return false;
    stretch_sent_ = sim_.figures();
    stretch_shown_ = SequenceWatch::shown_count();
    watch.restart();
    if (!click(window_.BitBtn_start_CMP, "Start"))
        return false;
    rolling_ = true;
    faults_allowed_ = true;
    return true;
}

void SoakTour::stop_rolling()
{
    faults_allowed_ = false;
    click(window_.BitBtn_stop_CMP, "Stop");
    watch.check(); // what was drawn up to Stop
    rolling_ = false;
    const bool settled = settle_after_stop();
    RollingFigures& r = rolling_figures;
    r.sent = r.sent + (sim_.figures() - stretch_sent_);
    r.shown += SequenceWatch::shown_count() - stretch_shown_;
    r.undrawn += ring_gap(link_state.ring_display.load(), link_state.ring_write.load());
    r.after_stop += settled ? link_state.block_count.load() : 0;
    r.unsettled += settled ? 0 : 1;
    ++r.stretches;
}

void SoakTour::follow()
{
    if (rolling_)
        watch.check();
}

void SoakTour::run()
{
    ++figures.tours;
    collect_pdfs(0ms);
    stop_rolling();
    output_steps();
    event_acquisition(1);
    event_acquisition(2);
    start_rolling();
}

// ---- Save, viewer, print ----------------------------------------------------------------------

void SoakTour::output_steps()
{
    for (void (SoakTour::*step)() : {&SoakTour::save, &SoakTour::view, &SoakTour::print}) {
        QElapsedTimer t;
        t.start();
        (this->*step)();
        figures.longest_output_ms =
            std::max(figures.longest_output_ms, double(t.nsecsElapsed()) / 1e6);
        if (on_held_loop)
            on_held_loop();
    }
}

void SoakTour::save()
{
    saved_count_ = live_diagram->SampleCount();
    const QString path = QDir(folder_).filePath(kDiagramFile);
    QFile::remove(path);
    if (!click(window_.BitBtn_save, "Salva"))
        return;
    const qint64 expected = qint64(kHeaderSize) + qint64(kSampleSize) * saved_count_;
    if (QFileInfo(path).size() != expected)
        fail(QStringLiteral("the saved file has %1 bytes, not %2")
                 .arg(QFileInfo(path).size())
                 .arg(expected));
    take_messages(QStringLiteral("Dati Memorizzati!"));
    ++figures.saves;
}

void SoakTour::view()
{
    loaded_count_ = 0;
    if (!click(window_.BitBtn_load_dat, "Carica"))
        return;
    if (loaded_count_ != saved_count_)
        fail(QStringLiteral("the viewer loaded %1 samples of %2")
                 .arg(loaded_count_)
                 .arg(saved_count_));
    else
        ++figures.viewer_loads;
    take_messages(QString());
}

void SoakTour::print()
{
    if (printer_.isEmpty())
        return;
    // The job this print makes is the one that was not there before; cups-pdf names its file
    // after the job's title ("Grafion") and number. Files of other jobs are left alone.
    const QSet<int> before = print_jobs(printer_);
    if (!click(window_.BitBtn_print, "Stampa"))
        return;
    take_messages(QString());
    ++figures.prints;
    const QSet<int> jobs = print_jobs(printer_) - before;
    if (jobs.isEmpty())
        fail(QStringLiteral("no print job on %1").arg(printer_));
    for (int id : jobs)
        pdfs_expected_ << QStringLiteral("Grafion-job_%1.pdf").arg(id);
}

int SoakTour::modal(QDialog& dialog)
{
    if (auto* files = dynamic_cast<QFileDialog*>(&dialog)) {
        files->setDirectory(folder_);
        files->selectFile(kDiagramFile);
        return QDialog::Accepted;
    }
    if (auto* viewer = dynamic_cast<TForm_load_dat*>(&dialog)) {
        viewer->show();
        QTest::mouseClick(viewer->BitBtn_load, Qt::LeftButton); // asks for the file: above
        if (viewer->viewer_diagram)
            loaded_count_ = viewer->viewer_diagram->SampleCount();
        run_event_loop(100ms); // the viewer paints its diagram
        viewer->Menu_Chiudi_Main->trigger();
        return viewer->result();
    }
    if (auto* box = dynamic_cast<TForm_Print_Box*>(&dialog)) {
        box->show();
        const int index = box->ComboBox_print->findText(printer_);
        if (index < 0) {
            fail(QStringLiteral("the print dialog does not list %1").arg(printer_));
            box->BitBtn_annulla->click();
            return box->result();
        }
        box->ComboBox_print->setCurrentIndex(index);
        // The part shown and the whole acquisition in turn.
        (print_whole_ ? box->RadioButton_grafico_completo : box->RadioButton_grafico_visualiz)
            ->click();
        print_whole_ = !print_whole_;
        QTest::mouseClick(box->BitBtn_print, Qt::LeftButton);
        box->hide();
        return box->result();
    }
    fail(QStringLiteral("unexpected window %1").arg(dialog.metaObject()->className()));
    return QDialog::Rejected;
}

void SoakTour::collect_pdfs(std::chrono::milliseconds limit)
{
    QElapsedTimer t;
    t.start();
    while (!pdfs_expected_.isEmpty()) {
        for (const QString& name : QStringList(pdfs_expected_)) {
            const QString path = QDir(kPdfFolder).filePath(name);
            // Taken once cups-pdf has finished writing it.
            const qint64 size = QFileInfo(path).size();
            if (size > 0 && size == pdf_sizes_.value(name, -1)) {
                QFile::remove(path);
                pdfs_expected_.removeAll(name);
                ++figures.pdfs;
            }
            pdf_sizes_[name] = size;
        }
        if (pdfs_expected_.isEmpty() || t.elapsed() >= limit.count())
            break;
        run_event_loop(300ms);
    }
}

// ---- Event modes -------------------------------------------------------------------------------

void SoakTour::event_acquisition(int mode)
{
    if (!choose_mode(mode) || !click(window_.BitBtn_start_CMP, "Start"))
        return;
    faults_allowed_ = true;
    if (mode == 1) {
        // The first capture forced, the second on the controller's event.
        // Forced once the new acquisition has more than the 200 samples a capture shows
        // ahead of its event.
        run_event_loop(1s);
        if (click(window_.BitBtn_start_CMP_force, "Forza Start")) {
            ++figures.forced;
            if (wait_capture("forced", false))
                check_capture(mode);
        }
        if (wait_capture("on the event", true))
            check_capture(mode);
        faults_allowed_ = false;
        click(window_.BitBtn_stop_CMP, "Stop");
    } else {
        if (wait_capture("on the event", true))
            check_capture(mode);
        faults_allowed_ = false;
        if (link_state.acquisition_on.load() != 0)
            click(window_.BitBtn_stop_CMP, "Stop");
    }
    if (!settle_after_stop())
        fail(QStringLiteral("no poll answer after the event mode %1").arg(mode));
}

// Waits until a capture has cleared the diagram and filled it: in "AutoTrigger-Event " the
// window then waits for the next event, in "Single Shot-Event " the acquisition has stopped.
// allow_event_first: the controller's event starts it; without one in 30 s, Force does.
bool SoakTour::wait_capture(const char* what, bool allow_event_first)
{
    const int mode = link_state.settings.trigger_mode.load();
    bool cleared = false;
    auto done = [&] {
        const std::uint32_t n = live_diagram->SampleCount();
        if (n < full_diagram())
            cleared = true;
        if (!cleared || n < full_diagram())
            return false;
        return mode == 1 ? !captured_or_showing() : link_state.acquisition_on.load() == 0;
    };
    if (allow_event_first) {
        if (run_until([&] { return captured_or_showing(); }, 30s)) {
            ++figures.by_event;
        } else {
            fail(QStringLiteral("no event in 30 s; forced"));
            if (!click(window_.BitBtn_start_CMP_force, "Forza Start"))
                return false;
            ++figures.forced;
        }
    }
    if (!run_until(done, 120s)) {
        fail(QStringLiteral("capture %1 in mode %2 did not end in 120 s (%3 samples)")
                 .arg(what)
                 .arg(mode)
                 .arg(live_diagram->SampleCount()));
        return false;
    }
    return true;
}

void SoakTour::check_capture(int mode)
{
    if (live_diagram->SampleCount() != full_diagram())
        fail(QStringLiteral("a capture of %1 samples").arg(live_diagram->SampleCount()));
    SequenceWatch capture;
    capture.check_whole();
    figures.capture_breaks += capture.breaks;
    figures.capture_unreadable += capture.unreadable;
    ++(mode == 1 ? figures.auto_captures : figures.single_captures);
}

void SoakTour::take_messages(const QString& expected)
{
    bool seen = expected.isEmpty();
    for (const RecordedMessage& m : recorder_.messages()) {
        if (!seen && m.text == expected)
            seen = true;
        else
            unexpected_messages << m.title + QStringLiteral(" / ") + m.text;
    }
    recorder_.clear();
    if (!seen)
        fail(QStringLiteral("no \"%1\"").arg(expected));
}
