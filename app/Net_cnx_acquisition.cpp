// Connecting, disconnecting, starting and stopping an acquisition in the three trigger
// modes, and moving received samples from the shared ring into the live diagram.
#include "Net_cnx.h"

#include "Diagramx.h"
#include "Globvar.h"
#include "Netcom.h"
#include "Scknet.h"
#include "message_box.h"

#include <QAction>
#include <QComboBox>
#include <QTimer>
#include <QToolButton>

#include <algorithm>
#include <vector>

namespace {

constexpr std::uint32_t PRE_EVENT_SAMPLES = 200;

// The display timer's copy of the ring slots it takes in one tick (main thread only).
std::vector<SampleSlot> drained_slots;

} // namespace

void TForm_net::BitBtn_connectClick()
{
    if (adapter_count == 0) {
        message_box(QStringLiteral("Nessuna Interfaccia di Rete Rilevata!"),
                    QStringLiteral("Attenzione"), MessageIcon::Warning);
        return;
    }
    if ((netif_flags.load() & NETIF_SELECTED) == 0) {
        message_box(QStringLiteral("Interfaccia di rete non Impostata!"),
                    QStringLiteral("Attenzione"), MessageIcon::Warning);
        return;
    }
    acquisition_on = 0;
    send_channel_config();
    BitBtn_connect->setEnabled(false);
    BitBtn_set_port_com->setEnabled(false);
    BitBtn_disconnect->setEnabled(true);
    Menu_connect->setEnabled(false);
    Menu_disconnect->setEnabled(true);
    set_connection_state(LINK_CONNECTING);
    link_mode = mode_run;
    if (SckTrd* thread = link_thread.load()) {
        thread->ResetUdpEvent();
        thread->Resume();
    }
}

void TForm_net::on_connect()
{
    // The ring is emptied below: what the receiver stored before the link dropped and the
    // display has not taken yet goes into the diagram first (the socket thread waits for
    // this call, so nothing more is stored meanwhile).
    if (Timer_Diagram->isActive())
        drain_samples();
    link_connected(); // connection state 2, the ring emptied
    // A reconnect during an acquisition leaves the buttons as they are.
    if (acquisition_on.load() == 0) {
        BitBtn_start_CMP->setEnabled(true);
        BitBtn_start_CMP_force->setEnabled(false);
        BitBtn_stop_CMP->setEnabled(false);
    }
}

void TForm_net::BitBtn_disconnectClick()
{
    // An acquisition that runs ends first as Stop ends it (the samples received so far are
    // taken in), so that the trigger mode can be chosen again and Start comes back with the
    // next connection.
    if (acquisition_on.load() != 0 || Timer_Diagram->isActive())
        stop_acquisition();
    BitBtn_connect->setEnabled(true);
    BitBtn_disconnect->setEnabled(false);
    BitBtn_set_port_com->setEnabled(true);
    Menu_connect->setEnabled(true);
    Menu_disconnect->setEnabled(false);
    BitBtn_start_CMP->setEnabled(false);
    BitBtn_start_CMP_force->setEnabled(false);
    BitBtn_stop_CMP->setEnabled(false);
    acquisition_on = 0;
    take_last_samples();
    Timer_Diagram->stop();
    if (redraw_pending_)
        redraw_live(true);
    // The thread closes the connection, shows the link as off and waits.
    link_mode = mode_hangup;
}

void TForm_net::BitBtn_start_CMPClick()
{
    BitBtn_start_CMP->setEnabled(false);
    BitBtn_stop_CMP->setEnabled(true);
    RadioGroup_trigger_type->setEnabled(false);
    drain_ticks_.restart();
    Timer_Diagram->setInterval(DrainTicks::kMinIntervalMs);
    Timer_Diagram->start();
    acquisition_on = 1;
    send_start_acquisition();
    if (settings.trigger_mode.load() == 0) {
        // Only what arrives from now on is shown.
        ring_display = ring_write.load();
    } else {
        BitBtn_start_CMP_force->setEnabled(true);
        trigger_flags.fetch_and(~(TRIGGER_CAPTURED | TRIGGER_SHOWING | TRIGGER_FORCED));
        send_event_reset();
    }
    StatusBar_net_com->update();
}

void TForm_net::stop_acquisition()
{
    trigger_flags.fetch_and(~(TRIGGER_CAPTURED | TRIGGER_FORCED));
    acquisition_on = 0;
    BitBtn_start_CMP->setEnabled(true);
    BitBtn_stop_CMP->setEnabled(false);
    take_last_samples();
    Timer_Diagram->stop();
    if (redraw_pending_)
        redraw_live(true); // the last samples appended are shown now, not at a tick to come
    BitBtn_start_CMP_force->setEnabled(false);
    RadioGroup_trigger_type->setEnabled(true);
    StatusBar_net_com->update();
}

void TForm_net::BitBtn_stop_CMPClick()
{
    stop_acquisition();
}

void TForm_net::BitBtn_start_CMP_forceClick()
{
    // The receiver takes the next sample block as the event.
    trigger_flags.fetch_or(TRIGGER_FORCED);
    StatusBar_net_com->update();
}

void TForm_net::ComboBox_event_typeChange()
{
    const int index = ComboBox_event_type->currentIndex();
    if (index < 0)
        return;
    settings.event_channel = std::uint8_t(index);
    if (connection_state() == LINK_CONNECTED)
        send_channel_config();
}

// In "Rolling Data" the ticks can be up to a display frame apart: what arrived since the
// last one is taken in before the timer stops, so that the diagram ends with the last sample
// received. (In the event modes the ticks stay 1 ms apart and a capture ends on its own.)
void TForm_net::take_last_samples()
{
    if (settings.trigger_mode.load() == 0 && Timer_Diagram->isActive())
        drain_samples();
}

void TForm_net::Timer_DiagramTimer()
{
    drain_samples();
}

void TForm_net::append_ring_slot(const SampleSlot& slot)
{
    double values[SAMPLE_CHANNELS];
    for (std::size_t ch = 0; ch < SAMPLE_CHANNELS; ++ch)
        values[ch] = slot[ch];
    live_diagram->AddSample(live_diagram->nextTime, values, SAMPLE_CHANNELS);
    live_diagram->nextTime += live_diagram->samplePeriod;
}

void TForm_net::drain_samples()
{
    if (!live_diagram)
        return;
    // Samples stored after this moment wait for the next tick.
    const RingSnapshot snapshot = ring_snapshot();
    const std::uint32_t w = snapshot.write;
    std::uint32_t display = ring_display.load();

    if (settings.trigger_mode.load() == 0) {
        if (display == w) {
            if (redraw_pending_)
                redraw_live(false);
            space_drain_ticks(0);
            return;
        }
        // A display lapped by the receiver (more than a whole ring behind) goes on from the
        // oldest sample still stored instead of reading overwritten slots.
        if (ring_distance(display, w, SAMPLE_RING_SLOTS) >
            ring_distance(ring_oldest.load(), w, SAMPLE_RING_SLOTS))
            display = ring_oldest.load();
        // The slots are copied first and appended once the copy is known to be good: the
        // receiver may have written the oldest ones again meanwhile, and those are skipped.
        const std::uint32_t overwritten = ring_copy(display, snapshot, drained_slots);
        for (std::size_t k = overwritten; k < drained_slots.size(); ++k)
            append_ring_slot(drained_slots[k]);
        ring_display = w;
        redraw_live(false);
        space_drain_ticks(std::uint32_t(drained_slots.size()));
        return;
    }

    if ((trigger_flags.load() & TRIGGER_CAPTURED) == 0 || display == w) {
        if (redraw_pending_)
            redraw_live(false);
        return;
    }

    if ((trigger_flags.load() & TRIGGER_SHOWING) == 0) {
        // First tick after the event: start afresh with up to 200 samples before the newest.
        trigger_flags.fetch_or(TRIGGER_SHOWING);
        live_diagram->Clear();
        const std::uint32_t valid = ring_distance(ring_oldest.load(), w, SAMPLE_RING_SLOTS);
        display = ring_back(w, std::min(valid, PRE_EVENT_SAMPLES), SAMPLE_RING_SLOTS);
        send_event_reset();
        trigger_flags.fetch_and(~TRIGGER_FORCED);
        BitBtn_start_CMP_force->setEnabled(false);
        StatusBar_net_com->update();
    }

    // Copied and checked as above; the slots written again meanwhile are passed over.
    const std::uint32_t overwritten = ring_copy(display, snapshot, drained_slots);
    display = ring_advance(display, overwritten, SAMPLE_RING_SLOTS);
    for (std::size_t k = overwritten; k < drained_slots.size(); ++k) {
        append_ring_slot(drained_slots[k]);
        display = ring_advance(display, 1, SAMPLE_RING_SLOTS);
        if (live_diagram->SampleCount() >= live_diagram->capacity - 1) {
            // The display index is handed back before the captured bit is cleared: from
            // then on the receiver may set it to the next event's slot.
            ring_display = display;
            trigger_flags.fetch_and(~TRIGGER_CAPTURED);
            redraw_pending_ = true; // the whole capture is shown at once
            if (settings.trigger_mode.load() == 1) {
                // AutoTrigger: wait for the next event.
                trigger_flags.fetch_and(~TRIGGER_SHOWING);
                BitBtn_start_CMP_force->setEnabled(true);
                send_event_reset();
                StatusBar_net_com->update();
            } else {
                stop_acquisition();
            }
            if (redraw_pending_)
                redraw_live(true);
            return;
        }
    }
    ring_display = w;
    redraw_live(false);
}

void TForm_net::space_drain_ticks(std::uint32_t drained)
{
    int interval = drain_ticks_.afterTick(drained);
    if (redraw_pending_) // a frame held back is drawn when it is due, not a tick later
        interval = std::min(interval, frame_pacer_.msUntilDue());
    if (interval != Timer_Diagram->interval())
        Timer_Diagram->setInterval(interval); // counts from now
}

void TForm_net::redraw_live(bool now)
{
    if (!live_diagram)
        return;
    if (frame_pacer_.startFrame(now)) {
        redraw_pending_ = false;
        live_diagram->Redraw();
    } else {
        redraw_pending_ = true;
    }
}
