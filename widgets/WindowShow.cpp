#include "WindowShow.h"

#include <QGuiApplication>
#include <QScreen>
#include <QShowEvent>
#include <QWidget>

void centre_on_screen(QWidget& window, Centre centre)
{
    if (centre == Centre::None)
        return;
    const QScreen* screen = window.screen();
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    if (centre == Centre::Frame) {
        QRect frame = window.frameGeometry();
        frame.moveCenter(area.center());
        window.move(frame.topLeft());
    } else {
        window.move(area.center() - QPoint(window.width() / 2, window.height() / 2));
    }
}

void window_shown(QWidget& window, const QShowEvent& event, Centre centre,
                  const std::function<void()>& formShow)
{
    if (event.spontaneous())
        return;
    centre_on_screen(window, centre);
    if (formShow)
        formShow();
}
