#include "message_box.h"

#include <QApplication>
#include <QMessageBox>
#include <QMetaObject>
#include <QThread>

#include <cassert>
#include <mutex>

namespace {

std::mutex recorder_mutex;
bool recording = false;
std::vector<RecordedMessage> recorded;

void show_modal(const QString& text, const QString& title, MessageIcon icon)
{
    QMessageBox::Icon qt_icon = QMessageBox::Information;
    switch (icon) {
    case MessageIcon::Information: qt_icon = QMessageBox::Information; break;
    case MessageIcon::Warning: qt_icon = QMessageBox::Warning; break;
    case MessageIcon::Stop: qt_icon = QMessageBox::Critical; break;
    }
    QMessageBox box(qt_icon, title, text, QMessageBox::Ok, QApplication::activeWindow());
    box.exec();
}

} // namespace

void message_box(const QString& text, const QString& title, MessageIcon icon)
{
    {
        std::lock_guard lock(recorder_mutex);
        if (recording) {
            recorded.push_back({text, title, icon});
            return;
        }
    }
    QCoreApplication* app = QCoreApplication::instance();
    if (app && QThread::currentThread() != app->thread()) {
        QMetaObject::invokeMethod(app, [text, title, icon] { show_modal(text, title, icon); },
                                  Qt::QueuedConnection);
        return;
    }
    show_modal(text, title, icon);
}

MessageRecorder::MessageRecorder()
{
    std::lock_guard lock(recorder_mutex);
    assert(!recording);
    recording = true;
    recorded.clear();
}

MessageRecorder::~MessageRecorder()
{
    std::lock_guard lock(recorder_mutex);
    recording = false;
    recorded.clear();
}

std::vector<RecordedMessage> MessageRecorder::messages() const
{
    std::lock_guard lock(recorder_mutex);
    return recorded;
}

void MessageRecorder::clear()
{
    std::lock_guard lock(recorder_mutex);
    recorded.clear();
}
