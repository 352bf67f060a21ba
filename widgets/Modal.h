#pragma once
// Every secondary window is shown modally through run_modal(). Tests replace run_modal_hook
// so that no window blocks them (they open the window, act on it and return a result).

#include <QDialog>

#include <functional>
#include <memory>
#include <utility>

class QFileDialog;

extern std::function<int(QDialog&)> run_modal_hook;
int run_modal(QDialog& dialog);
// Runs a file dialog through run_modal(): the file chosen, empty when the user cancelled.
QString run_file_dialog(QFileDialog& dialog);

// Owns a window made for one modal run and publishes it through its global pointer
// (`slot`) meanwhile: when the owner goes, the window is deleted and the pointer reset,
// however the run ended (a throwing handler included).
template <class Window>
class ModalWindow {
public:
    ModalWindow(Window*& slot, std::unique_ptr<Window> window)
        : slot_(slot), window_(std::move(window))
    {
        slot_ = window_.get();
    }
    ~ModalWindow()
    {
        window_.reset();
        slot_ = nullptr;
    }
    ModalWindow(const ModalWindow&) = delete;
    ModalWindow& operator=(const ModalWindow&) = delete;

    int run() { return run_modal(*window_); }

private:
    Window*& slot_;
    std::unique_ptr<Window> window_;
};

// Makes a Window from `args`, runs it modally with `slot` pointing to it, deletes it and
// resets `slot`; returns the run's result. An exception from the run goes on to the caller
// after the clean-up.
template <class Window, class... Args>
int run_modal_window(Window*& slot, Args&&... args)
{
    ModalWindow<Window> owner(slot, std::make_unique<Window>(std::forward<Args>(args)...));
    return owner.run();
}
