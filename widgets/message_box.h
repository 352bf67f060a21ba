#pragma once
// Every modal message the program shows goes through message_box(). Tests install a
// MessageRecorder so that nothing blocks on a dialog and the messages can be checked.

#include <QString>
#include <vector>

enum class MessageIcon { Information, Warning, Stop };

struct RecordedMessage {
    QString text;
    QString title;
    MessageIcon icon;
};

// Shows a modal box with one OK button. Called from another thread than the GUI thread,
// the box is queued to the GUI thread and this call returns at once.
void message_box(const QString& text, const QString& title, MessageIcon icon);

// While an instance exists, message_box() records instead of showing a dialog.
// Only one recorder may exist at a time.
class MessageRecorder {
public:
    MessageRecorder();
    ~MessageRecorder();
    MessageRecorder(const MessageRecorder&) = delete;
    MessageRecorder& operator=(const MessageRecorder&) = delete;

    std::vector<RecordedMessage> messages() const;
    void clear();
};
