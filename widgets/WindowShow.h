#pragma once
// What a window does when the program shows it: centred on its screen's free area and its
// own start steps run. A show that the window system reports on its own (a window brought
// back from an icon, say) does neither.

#include <functional>

class QShowEvent;
class QWidget;

enum class Centre {
    None,   // the window places itself
    Window, // the window's own rectangle on the screen's centre
    Frame,  // the rectangle with the window system's frame on the screen's centre
};

// Call from showEvent after the base class's: on every show the program asks for, centres
// `window` as `centre` says and runs `formShow`.
void window_shown(QWidget& window, const QShowEvent& event, Centre centre,
                  const std::function<void()>& formShow);

// Puts `window` in the middle of its screen's free area.
void centre_on_screen(QWidget& window, Centre centre = Centre::Window);
