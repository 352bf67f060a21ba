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
// the box is queued to the GUI thread and this call returns at once; while a box with the
// same text is queued or open, such a call shows nothing, so that a failure repeating on a
// worker thread does not pile up boxes. Calls from the GUI thread always show their box.
void message_box(const QString& text, const QString& title, MessageIcon icon);

// While an instance exists, message_box() records instead of showing a dialog.
// Only one recorder may exist at a time.
class MessageRecorder {
public:
    // keep_open: a message from another thread counts as an open box until acknowledge(),
    // as a real box stays open until the user closes it. Otherwise it closes at once.
    explicit MessageRecorder(bool keep_open = false);
    ~MessageRecorder();
    MessageRecorder(const MessageRecorder&) = delete;
    MessageRecorder& operator=(const MessageRecorder&) = delete;

    std::vector<RecordedMessage> messages() const;
    void clear();
    // Closes every box held open (keep_open).
    void acknowledge();
};
