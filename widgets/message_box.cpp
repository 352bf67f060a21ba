#include "message_box.h"

#include <QApplication>
#include <QMessageBox>
#include <QMetaObject>
#include <QThread>

#include <cassert>
#include <mutex>
#include <set>

namespace {

std::mutex state_mutex;
bool recording = false;
bool recorder_keeps_open = false;
std::vector<RecordedMessage> recorded;
// Texts of boxes raised by other threads than the GUI thread that are queued or open.
std::set<QString> outstanding;
// Those of them a recorder holds open until acknowledged.
std::vector<QString> held_open;

void show_modal(const QString& text, const QString& title, MessageIcon icon)
{
    QMessageBox::Icon qt_icon = QMessageBox::Information;
    switch (icon) {
    case MessageIcon::Information:
        qt_icon = QMessageBox::Information;
        break;
    case MessageIcon::Warning:
        qt_icon = QMessageBox::Warning;
        break;
    case MessageIcon::Stop:
        qt_icon = QMessageBox::Critical;
        break;
    }
    QMessageBox box(qt_icon, title, text, QMessageBox::Ok, QApplication::activeWindow());
    box.exec();
}

void box_closed(const QString& text)
{
    std::lock_guard lock(state_mutex);
    outstanding.erase(text);
}

} // namespace

void message_box(const QString& text, const QString& title, MessageIcon icon)
{
    QCoreApplication* app = QCoreApplication::instance();
    const bool from_worker = app && QThread::currentThread() != app->thread();
    {
        std::lock_guard lock(state_mutex);
        if (from_worker && !outstanding.insert(text).second)
            return; // the same box is already waiting for the user
        if (recording) {
            recorded.push_back({text, title, icon});
            if (from_worker) {
                if (recorder_keeps_open)
                    held_open.push_back(text);
                else
                    outstanding.erase(text);
            }
            return;
        }
    }
    if (from_worker) {
        QMetaObject::invokeMethod(
            app,
            [text, title, icon] {
                show_modal(text, title, icon);
                box_closed(text);
            },
            Qt::QueuedConnection);
        return;
    }
    show_modal(text, title, icon);
}

MessageRecorder::MessageRecorder(bool keep_open)
{
    std::lock_guard lock(state_mutex);
    assert(!recording);
    recording = true;
    recorder_keeps_open = keep_open;
    recorded.clear();
}

MessageRecorder::~MessageRecorder()
{
    acknowledge();
    std::lock_guard lock(state_mutex);
    recording = false;
    recorder_keeps_open = false;
    recorded.clear();
}

std::vector<RecordedMessage> MessageRecorder::messages() const
{
    std::lock_guard lock(state_mutex);
    return recorded;
}

void MessageRecorder::clear()
{
    std::lock_guard lock(state_mutex);
    recorded.clear();
}

void MessageRecorder::acknowledge()
{
    std::lock_guard lock(state_mutex);
    for (const QString& text : held_open)
        outstanding.erase(text);
    held_open.clear();
}
