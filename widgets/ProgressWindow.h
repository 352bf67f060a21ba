#pragma once
// The window-modal progress window of a long step done on the main thread: it counts in
// thousandths, offers "Annulla" and appears once the step has run for `delay_ms`.

#include <QProgressDialog>

class ProgressWindow : public QProgressDialog {
public:
    ProgressWindow(const QString& text, const QString& title, QWidget* owner, int delay_ms);
    // Shows `share` (0 .. 1) of the step as done and lets the windows take their events;
    // false once "Annulla" has been pressed.
    bool advance(double share);
};
