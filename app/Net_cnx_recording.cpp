// "Registra": records every sample the link receives to a recording file while an
// acquisition in Rolling Data runs, whatever the display does meanwhile. The recorder
// (record/) takes the samples on the socket thread and writes them on its own thread; the
// window starts and ends it and shows its state from the 10 ms monitor.
#include "Net_cnx.h"

#include "Diagramx.h"
#include "Globvar.h"
#include "Modal.h"
#include "Recorder.h"
#include "message_box.h"

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QPainter>
#include <QPixmap>
#include <QTimer>
#include <QToolButton>

#include <cerrno>
#include <cstring>

namespace {

QString error_text(int error_number)
{
    if (error_number == ENOSPC || error_number == EFBIG || error_number == EDQUOT)
        return QStringLiteral("disco pieno");
    return QStringLiteral("errore di scrittura (%1)")
        .arg(QString::fromLocal8Bit(std::strerror(error_number)));
}

QString failure_text(const RecorderStatus& s)
{
    if (s.failure == RecorderFailure::Overflow)
        return QStringLiteral("il disco non riesce a scrivere i dati in tempo");
    return error_text(s.error_number);
}

QString duration_text(double seconds)
{
    const auto total = static_cast<long long>(seconds);
    return QStringLiteral("%1:%2:%3")
        .arg(total / 3600, 2, 10, QLatin1Char('0'))
        .arg((total / 60) % 60, 2, 10, QLatin1Char('0'))
        .arg(total % 60, 2, 10, QLatin1Char('0'));
}

} // namespace

QIcon record_icon()
{
    QPixmap pixmap(24, 24);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QColor(120, 0, 0));
    p.setBrush(QColor(220, 30, 30));
    p.drawEllipse(QRectF(4.5, 4.5, 15, 15));
    return QIcon(pixmap);
}

QString recording_status_text(const RecorderStatus& status, double sample_period)
{
    return QStringLiteral("REC %1  %2 MB")
        .arg(duration_text(double(status.samples_written) * sample_period))
        .arg(double(status.file_bytes) / 1e6, 0, 'f', 1);
}

bool TForm_net::recording() const
{
    return recorder_ && recorder_->running();
}

bool TForm_net::recording_allowed() const
{
    return connection_state() == LINK_CONNECTED
           && link_state.settings.trigger_mode.load() == TriggerRolling;
}

void TForm_net::BitBtn_recordClick()
{
    if (recording()) {
        end_recording();
        return;
    }
    start_recording();
    // The button and the menu item check themselves when pressed: they show whether a
    // recording runs, also when none was started.
    show_recording_state();
}

void TForm_net::start_recording()
{
    if (!recording_allowed())
        return;
    QFileDialog dialog(this);
    RecordDialog.apply(dialog);
    const QString path = run_file_dialog(dialog);
    if (path.isEmpty())
        return;

    RecordingHeader header;
    header.trigger_mode = link_state.settings.trigger_mode.load();
    header.event_channel = link_state.settings.event_channel.load();
    if (live_diagram) {
        header.sample_period = live_diagram->samplePeriod;
        for (int i = 0; i < kChannels && i < kRecordingChannels; ++i)
            header.colour[std::size_t(i)] = live_diagram->channelColor[i];
    }
    for (int i = 0; i < kChannels && i < kRecordingChannels; ++i)
        header.name[std::size_t(i)] = ComboBox_select_dat_mis[i]->currentText().toStdString();
    recording_period_ = header.sample_period;

    if (!recorder_)
        recorder_ = std::make_unique<Recorder>();
    int error = 0;
    if (!recorder_->start(QFile::encodeName(path).toStdString(), header, &error)) {
        message_box(QStringLiteral("Impossibile creare la registrazione!\n%1\n%2")
                        .arg(path, QString::fromLocal8Bit(std::strerror(error))),
                    QStringLiteral("Attenzione"), MessageIcon::Warning);
    }
}

void TForm_net::end_recording()
{
    if (!recording())
        return;
    const RecorderStatus end = recorder_->stop();
    show_recording_state();
    if (end.state == RecorderState::Failed)
        report_recording_failure(end);
}

void TForm_net::report_recording_failure(const RecorderStatus& status)
{
    message_box(QStringLiteral("Registrazione interrotta: %1.\nIl file contiene i dati fino a "
                               "questo punto.")
                    .arg(failure_text(status)),
                QStringLiteral("Attenzione"), MessageIcon::Warning);
}

void TForm_net::monitor_recording()
{
    if (recording()) {
        const RecorderStatus status = recorder_->status();
        // A failure, or a trigger mode changed away from Rolling Data, ends the file.
        if (status.state == RecorderState::Failed
            || link_state.settings.trigger_mode.load() != TriggerRolling)
            end_recording();
        else
            StatusBar_net_com->setPanelText(kRecordingPanel,
                                            recording_status_text(status, recording_period_));
    }
    const bool enabled = recording() || recording_allowed();
    if (BitBtn_record->isEnabled() != enabled) {
        BitBtn_record->setEnabled(enabled);
        Menu_Registra->setEnabled(enabled);
    }
}

void TForm_net::show_recording_state()
{
    const bool on = recording();
    BitBtn_record->setChecked(on);
    Menu_Registra->setChecked(on);
    StatusBar_net_com->setPanelText(kRecordingPanel, on ? recording_status_text(recorder_->status(),
                                                                                recording_period_)
                                                        : QString());
}
