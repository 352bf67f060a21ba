#include "Net_cnx.h"

#include "ColumnBinding.h"
#include "Diagramx.h"
#include "Fz_netif.h"
#include "Globvar.h"
#include "MainThreadCalls.h"
#include "Netcom.h"
#include "Scknet.h"
#include "Settings_file.h"
#include "WindowShow.h"
#include "message_box.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QPushButton>
#include <QShowEvent>
#include <QTimer>
#include <QToolButton>

TForm_net* Form_net = nullptr;
Diagramx* live_diagram = nullptr;
std::uint8_t fields_ready = 1;

namespace {}

// ---- Save dialog settings -------------------------------------------------------------------

void SaveDialogSettings::apply(QFileDialog& dialog) const
{
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    // Qt's save dialog accepts only a name in an existing folder; the file need not exist.
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(defaultExt);
    dialog.setNameFilter(filter);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !promptOverwrite);
}

bool SaveDialogSettings::extensionDiffers(const QString& fileName) const
{
    const QString suffix = QFileInfo(fileName).suffix();
    return reportExtensionDifferent && !suffix.isEmpty()
           && suffix.compare(defaultExt, Qt::CaseInsensitive) != 0;
}

// ---- Creation and closing -------------------------------------------------------------------

TForm_net::TForm_net(QWidget* parent) : QMainWindow(parent)
{
    // Other units reach the window through Form_net while it is still being created.
    Form_net = this;
    build_layout();
    FormCreate();
}

TForm_net::~TForm_net()
{
    // A window destroyed without having been closed still lets go of its diagram.
    for (QTimer* t : {Timer_Diagram, Timer_monitor, Timer_set_fix_scale, Timer_Diagram_Test})
        if (t)
            t->stop();
    if (!closed_) {
        link_shutdown();
        delete live_diagram;
        live_diagram = nullptr;
        free_standing_messages();
    }
    if (Form_net == this)
        Form_net = nullptr;
}

void TForm_net::FormCreate()
{
    // Nothing is known yet of the PC interface or the controller.
    netif_block_clear();
    link_state.controller_ip = 0;
    link_state.controller_flags = 0;

    // Test controls stay hidden: they have no effect for the user.
    Button_F1->hide();
    Button_F2->hide();
    Button_F3->hide();
    Button_start_stop->hide();
    Panel_debugx->hide();

    // The remembered interface, trigger mode, event and Y scale; defaults when the file is
    // missing or damaged.
    settings_load();
    set_connection_state(LINK_OFF);

    live_diagram = new Diagramx(Panel_graph, kChannels, 5000, 20001);

    // Each channel row shows the colour of its trace.
    v->show_channel_colours(live_diagram->channelColor);

    // Row k shows its own quantity.
    for (int n = 0; n < kChannels; ++n) {
        link_state.channel_select[n] = std::uint8_t(n);
        ComboBox_select_dat_mis[n]->setCurrentIndex(link_state.channel_select[n]);
    }

    fields_ready = 0;

    ComboBox_event_type->clear();
    for (int i = 1; i <= 20; ++i)
        ComboBox_event_type->addItem(QStringLiteral("Envet-Type %1").arg(i, 2, 10, QChar('0')));

    ComboBox_event_type->setCurrentIndex(link_state.settings.event_channel);
    RadioGroup_trigger_type->setItemIndex(link_state.settings.trigger_mode);
    update_event_controls();

    fields_ready = 1;

    // The standing messages, then the link: the socket thread starts looking for the
    // controller at once.
    build_poll_message();
    build_discovery_message();
    register_link_hooks();
    link_start();
}

void TForm_net::register_link_hooks()
{
    LinkHooks hooks;
    hooks.on_connect = [] {
        if (Form_net)
            Form_net->on_connect();
    };
    // Queued to the GUI thread's event loop; the socket thread waits for the call unless
    // the link is shut down first, in which case the queued call does nothing. The queue
    // is the window's child: it outlives the socket thread, which the window's close joins.
    hooks.post_to_main = [calls = new MainThreadCalls(this)](std::function<void()> call) {
        calls->post(std::move(call));
    };
    hooks.show_error = [](const std::string& text) {
        message_box(QString::fromStdString(text), QStringLiteral("Error"), MessageIcon::Stop);
    };
    link_hooks = std::move(hooks);
}

void TForm_net::FormShow()
{
    column_binding_->attach_fields();
    column_binding_->apply();
    column_binding_->update_fields();
    CheckBox_cursor_asseYClick();
    CheckBox_cursor_asseTClick();
}

void TForm_net::FormClose()
{
    if (closed_)
        return;
    closed_ = true;
    // No timer may reach the diagram once it is gone; the acquisition timer may still be
    // running if the window is closed during an acquisition.
    for (QTimer* t : {Timer_Diagram, Timer_monitor, Timer_set_fix_scale, Timer_Diagram_Test})
        t->stop();
    end_recording();
    // The socket thread has ended before the send queue and its lock go.
    link_shutdown();
    delete live_diagram;
    live_diagram = nullptr;
    free_standing_messages();
    // The choices made while the program ran are found again at the next start.
    settings_save();
    adapters_free();
}

void TForm_net::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    // The window was placed when it was built.
    window_shown(*this, *event, Centre::None, [this] { FormShow(); });
}

void TForm_net::closeEvent(QCloseEvent* event)
{
    FormClose();
    event->accept();
}

void TForm_net::ControlBar_load_datResize()
{
    ToolBar_net_comt->resize(ControlBar_load_dat->width(), ToolBar_net_comt->height());
}

void TForm_net::Menu_Chiudi_MainClick()
{
    close();
}

// ---- Commands -------------------------------------------------------------------------------

// ---- Trigger, channels, scale and cursors ---------------------------------------------------

void TForm_net::RadioGroup_trigger_typeClick()
{
    if (!fields_ready)
        return;
    const int index = RadioGroup_trigger_type->itemIndex();
    if (index < 0)
        return;
    // The new mode takes effect at the next Start; nothing is sent now.
    link_state.settings.trigger_mode = std::uint8_t(index);
    update_event_controls();
}

void TForm_net::update_event_controls()
{
    const bool eventMode = link_state.settings.trigger_mode != TriggerRolling;
    Panel_event_type->setEnabled(eventMode);
    ComboBox_event_type->setEnabled(eventMode);
    Panel_event_type->setCaptionColor(eventMode ? clBlack : clGray);
}

// ---- Timers and status bar ------------------------------------------------------------------

void TForm_net::Timer_Diagram_TestTimer() {}

// ---- Hidden test controls -------------------------------------------------------------------

void TForm_net::show_start_stop_caption()
{
    Button_start_stop->setText(link_state.acquisition_on ? QStringLiteral("Stop")
                                                         : QStringLiteral("Start"));
    QPalette p = Button_start_stop->palette();
    const QColor color = to_qcolor(link_state.acquisition_on ? clRed : clGreen);
    p.setColor(QPalette::Active, QPalette::ButtonText, color);
    p.setColor(QPalette::Inactive, QPalette::ButtonText, color);
    Button_start_stop->setPalette(p);
}

void TForm_net::Button_start_stopClick()
{
    // Acquires without telling the controller.
    if (link_state.acquisition_on) {
        acquisition_.pause();
        Timer_Diagram->stop();
    } else {
        Timer_Diagram->setInterval(acquisition_.resume());
        Timer_Diagram->start();
    }
    show_start_stop_caption();
}

void TForm_net::Button_F1Click()
{
    send_param_request(20);
}
void TForm_net::Button_F2Click()
{
    if (!live_diagram)
        return;
    live_diagram->panTarget.rx() -= 1;
    live_diagram->panTimer->start();
}

void TForm_net::Button_F3Click()
{
    if (live_diagram)
        live_diagram->Redraw();
}

void TForm_net::append_test_sample()
{
    double values[8];
    test_signal.test_sample(values);
    live_diagram->AddSample(test_signal.time, values, 8);
    test_signal.time += 0.001;
}

void TForm_net::BitBtn2Click()
{
    if (!live_diagram)
        return;
    append_test_sample();
    live_diagram->Redraw();
}

void TForm_net::BitBtn1Click()
{
    if (!live_diagram)
        return;
    const std::uint32_t capacity = live_diagram->capacity;
    const std::uint32_t target = capacity > 1000 ? capacity - 1000 : 0;
    while (live_diagram->SampleCount() < target)
        append_test_sample();
    live_diagram->Redraw();
}
