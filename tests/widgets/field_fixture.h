#pragma once
// The numeric fields the tests work on, and a stand-in memo for the field's rules.

#include "Dato_short.h"
#include "Memo.h"
#include "message_box.h"

#include <QLocale>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

// The Y-scale limits as the main window has them and a field with two decimals (0.01 ..
// 99.99), in the C locale, with messages recorded.
class FieldTest : public ::testing::Test {
protected:
    void SetUp() override { QLocale::setDefault(QLocale::c()); }
    void TearDown() override { QLocale::setDefault(QLocale::system()); }

    std::int16_t y_max = 2000;
    std::int16_t y_min = -2000;
    std::int16_t hundredths = 100;
    Dato_short max_field{y_max, 10000, 1, 0};
    Dato_short min_field{y_min, -1, -10000, 0};
    Dato_short dec_field{hundredths, 9999, 1, 2};
    MessageRecorder recorder;
};

// Keeps text, caret, look and focus, and logs the looks and flashes in the order they happen.
class FakeMemo : public Memo {
public:
    QString text_;
    int caret_ = 0;
    bool focusable_ = true;
    bool focused_ = false;
    MemoLook look_;
    std::vector<std::string> log_;
    // Called after each set_text, as the window calls the field's on_change.
    std::function<void()> on_set_text;

    QString text() const override { return text_; }
    void set_text(const QString& text) override
    {
        text_ = text;
        caret_ = int(text.size());
        if (on_set_text)
            on_set_text();
    }
    int selection_start() const override { return caret_; }
    void set_selection_start(int position) override { caret_ = position; }
    bool can_focus() const override { return focusable_; }
    void set_focus() override { focused_ = true; }
    MemoLook look() const override { return look_; }
    void set_look(const MemoLook& look) override
    {
        look_ = look;
        log_.push_back(look.colour == clBlue && look.bold     ? "editing"
                       : look.colour == clBlack && !look.bold ? "idle"
                                                              : "other");
    }
    void flash(int ms) override { log_.push_back("flash " + std::to_string(ms)); }
    void set_max_length(int) override {}
    void set_hint(const QString&) override {}
    void repaint() override {}
};
