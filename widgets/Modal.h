#pragma once
// Every secondary window is shown modally through run_modal(). Tests replace run_modal_hook
// so that no window blocks them (they open the window, act on it and return a result).

#include <QDialog>

#include <functional>

extern std::function<int(QDialog&)> run_modal_hook;
int run_modal(QDialog& dialog);
