// Connecting, disconnecting, starting and stopping an acquisition, and carrying out what the
// acquisition's display ticks report: samples for the live diagram, captures that start and
// end, and the acquisition stopping by itself.
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

void TForm_net::BitBtn_connectClick()
{
    if (link_state.adapter_count == 0) {
        message_box(QStringLiteral("Nessuna Interfaccia di Rete Rilevata!"),
                    QStringLiteral("Attenzione"), MessageIcon::Warning);
        return;
    }
    if ((link_state.netif_flags.load() & NETIF_SELECTED) == 0) {
        message_box(QStringLiteral("Interfaccia di rete non Impostata!"),
                    QStringLiteral("Attenzione"), MessageIcon::Warning);
        return;
    }
    link_state.acquisition_on = 0;
    BitBtn_connect->setEnabled(false);
    BitBtn_set_port_com->setEnabled(false);
    BitBtn_disconnect->setEnabled(true);
    Menu_connect->setEnabled(false);
    Menu_disconnect->setEnabled(true);
    link_connect();
}

void TForm_net::on_connect()
{
    // The ring is emptied below: what the receiver stored before the link dropped and the
    // display has not taken yet goes into the diagram first (the socket thread waits for
    // this call, so nothing more is stored meanwhile).
    if (Timer_Diagram->isActive())
        drain_samples();
    link_connected(); // connection state 2, the ring emptied
    acquisition_.ringEmptied();
    // A reconnect during an acquisition leaves the buttons as they are.
    if (link_state.acquisition_on.load() == 0) {
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
    if (link_state.acquisition_on.load() != 0 || Timer_Diagram->isActive())
        stop_acquisition();
    end_recording();
    BitBtn_connect->setEnabled(true);
    BitBtn_disconnect->setEnabled(false);
    BitBtn_set_port_com->setEnabled(true);
    Menu_connect->setEnabled(true);
    Menu_disconnect->setEnabled(false);
    BitBtn_start_CMP->setEnabled(false);
    BitBtn_start_CMP_force->setEnabled(false);
    BitBtn_stop_CMP->setEnabled(false);
    Timer_Diagram->stop();
    // acquisition_on cleared, and a repaint held back is made now.
    apply_acquisition_step(acquisition_.stop(diagram_fill()));
    // The thread closes the connection, shows the link as off and waits.
    link_state.link_mode = mode_hangup;
}

void TForm_net::BitBtn_start_CMPClick()
{
    BitBtn_start_CMP->setEnabled(false);
    BitBtn_stop_CMP->setEnabled(true);
    RadioGroup_trigger_type->setEnabled(false);
    Timer_Diagram->setInterval(acquisition_.start());
    Timer_Diagram->start();
    send_start_acquisition();
    if (link_state.settings.trigger_mode.load() != TriggerRolling) {
        BitBtn_start_CMP_force->setEnabled(true);
        send_event_reset();
    }
    StatusBar_net_com->update();
}

void TForm_net::stop_acquisition()
{
    end_recording();
    BitBtn_start_CMP->setEnabled(true);
    BitBtn_stop_CMP->setEnabled(false);
    const AcquisitionStep last = acquisition_.stop(diagram_fill());
    Timer_Diagram->stop();
    apply_acquisition_step(last);
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
    link_state.trigger_flags.fetch_or(TRIGGER_FORCED);
    StatusBar_net_com->update();
}

void TForm_net::ComboBox_event_typeChange()
{
    const int index = ComboBox_event_type->currentIndex();
    if (index < 0)
        return;
    link_state.settings.event_channel = std::uint8_t(index);
    if (connection_state() == LINK_CONNECTED)
        send_channel_config();
}

void TForm_net::Timer_DiagramTimer()
{
    drain_samples();
}

void TForm_net::drain_samples()
{
    if (live_diagram)
        apply_acquisition_step(acquisition_.tick(diagram_fill()));
}

DiagramFill TForm_net::diagram_fill() const
{
    if (!live_diagram)
        return {};
    return {live_diagram->SampleCount(), live_diagram->capacity - 1};
}

void TForm_net::append_ring_slot(const SampleSlot& slot)
{
    double values[SAMPLE_CHANNELS];
    for (std::size_t ch = 0; ch < SAMPLE_CHANNELS; ++ch)
        values[ch] = slot[ch];
    live_diagram->AddSample(live_diagram->nextTime, values, SAMPLE_CHANNELS);
    live_diagram->nextTime += live_diagram->samplePeriod;
}

void TForm_net::apply_acquisition_step(const AcquisitionStep& step)
{
    if (live_diagram) {
        if (step.clear)
            live_diagram->Clear();
        for (const SampleSlot& slot : step.samples)
            append_ring_slot(slot);
    }
    if (step.captureStarted) {
        send_event_reset();
        BitBtn_start_CMP_force->setEnabled(false);
    }
    if (step.rearmed) {
        BitBtn_start_CMP_force->setEnabled(true);
        send_event_reset();
    }
    if (step.repaint && live_diagram)
        live_diagram->Redraw();
    if (step.captureStarted || step.rearmed)
        StatusBar_net_com->update();
    if (step.stopped)
        stop_acquisition(); // the buttons and the status of a stopped acquisition
    if (step.interval != Timer_Diagram->interval())
        Timer_Diagram->setInterval(step.interval); // counts from now
}
