// The soak run's tour of the whole window, every few minutes: Stop, save the diagram to a
// diagram file and open it in the viewer, print it on a PDF print queue when there is one,
// one "AutoTrigger-Event " acquisition with two captures (the first forced, the second on the
// controller's event), one "Single Shot-Event " capture, and back to "Rolling Data".
//
// The sample accounting is kept per "Rolling Data" stretch, where every sample the
// simulator sends is either spoiled by a fault, shown, still waiting to be drawn at Stop,
// or in the one block that arrives after Stop. The event modes show only their captures;
// each capture is checked whole instead: 20000 samples in the simulator's sequence.
#pragma once

#include "soak_support.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class MessageRecorder;
class QAbstractButton;
class QDialog;
class TForm_net;

// Runs the application's event loop until done() holds (checked every millisecond) or
// `limit` passes; false when it did not hold.
bool run_until(const std::function<bool()>& done, std::chrono::milliseconds limit);

// Sample figures over the "Rolling Data" stretches.
struct RollingFigures {
    SimFigures sent;              // by the simulator, faulted samples among them
    std::uint64_t shown = 0;      // appended to the diagram
    std::uint64_t undrawn = 0;    // stored, not yet drawn at Stop
    std::uint64_t after_stop = 0; // in the block that came after Stop
    int stretches = 0;
    int unsettled = 0; // stretches whose Stop got no poll answer in time

    std::int64_t lost() const
    {
        return std::int64_t(sent.samples) - std::int64_t(sent.faulted_samples) - std::int64_t(shown)
               - std::int64_t(undrawn) - std::int64_t(after_stop);
    }
};

struct TourFigures {
    int tours = 0;
    int saves = 0;
    int viewer_loads = 0;
    int prints = 0;
    int pdfs = 0; // PDF files the print queue produced
    int auto_captures = 0;
    int single_captures = 0;
    int forced = 0;   // captures started by "Forza Start"
    int by_event = 0; //   and by the controller's event
    std::uint64_t capture_breaks = 0;
    std::uint64_t capture_unreadable = 0;
    double longest_output_ms = 0; // the longest save, viewer or print step
};

class SoakTour {
public:
    // printer: the print queue to print on; empty: printing is skipped.
    SoakTour(TForm_net& window, SimProcess& sim, MessageRecorder& recorder, QString folder,
             QString printer);
    ~SoakTour();

    // Chooses "Rolling Data", presses Start and begins a stretch of the sample accounting.
    bool start_rolling();
    // Presses Stop, waits until the block in flight has been handled and ends the stretch.
    void stop_rolling();
    // The whole tour; the acquisition is rolling before and after.
    void run();
    // Called every second: follows the rolling diagram's newest samples.
    void follow();
    // Waits (up to `limit`) for the PDF files of this run's print jobs, then removes them.
    void collect_pdfs(std::chrono::milliseconds limit);
    // Moves the recorded message boxes out: one `expected` text (when not empty) is the
    // confirmation looked for; every other box counts as unexpected.
    void take_messages(const QString& expected);

    // Faults may be injected now (not between Stop and the next Start).
    bool faults_allowed() const { return faults_allowed_; }
    bool rolling() const { return rolling_; }
    // Called after a step that held the event loop on purpose.
    std::function<void()> on_held_loop;

    RollingFigures rolling_figures;
    SequenceWatch watch; // the rolling stretches' sequence
    TourFigures figures;
    QStringList failures;            // what went wrong, in words
    QStringList unexpected_messages; // message boxes other than the save's confirmation

private:
    bool choose_mode(int mode);
    bool click(QAbstractButton* button, const char* what);
    bool settle_after_stop();
    void output_steps();
    void save();
    void view();
    void print();
    void event_acquisition(int mode);
    bool wait_capture(const char* what, bool allow_event_first);
    void check_capture(int mode);
    int modal(QDialog& dialog);
    void fail(const QString& what);

    TForm_net& window_;
    SimProcess& sim_;
    MessageRecorder& recorder_;
    QString folder_;
    QString printer_;
    bool faults_allowed_ = true;
    bool rolling_ = false;
    SimFigures stretch_sent_;
    std::uint64_t stretch_shown_ = 0;
    std::uint32_t saved_count_ = 0;
    std::uint32_t loaded_count_ = 0;
    bool print_whole_ = false;
    QStringList pdfs_expected_; // the files of this run's print jobs not seen yet
    QHash<QString, qint64> pdf_sizes_;
};
