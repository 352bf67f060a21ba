#pragma once
// What a numeric field needs of the one-line memo it edits, so that the field's rules can
// run against a real QLineEdit or against a stand-in. Also the routing of a QLineEdit's
// key and focus events to a field's handlers.

#include "Palette.h"

#include <QChar>
#include <QString>

#include <cstdint>
#include <functional>

class QFocusEvent;
class QKeyEvent;
class QLineEdit;

// The look of the memo's text: colour as 0xBBGGRR, and bold or normal.
struct MemoLook {
    Color colour = clBlack;
    bool bold = false;
    friend bool operator==(const MemoLook&, const MemoLook&) = default;
};

class Memo {
public:
    virtual ~Memo() = default;

    virtual QString text() const = 0;
    virtual void set_text(const QString& text) = 0;
    // Start of the selection, or the caret position when nothing is selected.
    virtual int selection_start() const = 0;
    // Puts the caret at `position`, clearing any selection.
    virtual void set_selection_start(int position) = 0;
    // Whether the memo is shown and enabled and takes the focus.
    virtual bool can_focus() const = 0;
    virtual void set_focus() = 0;
    // The look in force; during a flash, the look that returns when the flash ends.
    virtual MemoLook look() const = 0;
    virtual void set_look(const MemoLook& look) = 0;
    // Shows the text in red at once for `ms` milliseconds, then the look in force again.
    // A look set meanwhile takes effect when the flash ends. Does not block.
    virtual void flash(int ms) = 0;
    virtual void set_max_length(int length) = 0;
    virtual void set_hint(const QString& hint) = 0;
    virtual void repaint() = 0;
};

// A Memo over a QLineEdit. It holds nothing but the pointer; the flash keeps its state in
// a small helper object owned by the line edit, so the flash survives this adapter and ends
// with the line edit.
class LineEditMemo final : public Memo {
public:
    explicit LineEditMemo(QLineEdit* edit) : edit_(edit) {}

    QString text() const override;
    void set_text(const QString& text) override;
    int selection_start() const override;
    void set_selection_start(int position) override;
    bool can_focus() const override;
    void set_focus() override;
    MemoLook look() const override;
    void set_look(const MemoLook& look) override;
    void flash(int ms) override;
    void set_max_length(int length) override;
    void set_hint(const QString& hint) override;
    void repaint() override;

private:
    QLineEdit* edit_;
};

// Whether a line edit is showing a flash right now.
bool memo_is_flashing(const QLineEdit* edit);

// ---- Routing a line edit's events to a field ---------------------------------------------

// The character a key press types, as a field's key filter judges it: Enter is 13,
// Backspace 8, Escape 27, Ctrl+A..Ctrl+Z are 1..26 (Ctrl+C 3, Ctrl+V 22, Ctrl+X 24, Ctrl+Z
// 26), any other key its text. A null QChar for keys that type nothing: caret movement,
// Delete, Tab, function keys, other Ctrl combinations, Shift+Insert and the like; the line
// edit handles those itself.
QChar typed_char(const QKeyEvent& event);

// Runs `handler` on the character that `event` types into `edit`. The handler may leave the
// character, replace it, or set it to a null QChar to discard it. Returns true when the event
// is consumed: the character was discarded, or replaced (the replacement is then inserted
// here). Keys that type no character are not shown to the handler and not consumed.
bool route_key_press(QLineEdit* edit, const QKeyEvent& event,
                     const std::function<void(QChar& key)>& handler);

// Whether a focus event means that the user entered or left the memo: false for the focus
// going to a modal box, a popup menu or another application window and coming back, which
// must neither take nor discard an entry.
bool is_field_focus_change(const QFocusEvent& event);

// Binds a limit field's memo to its window's handlers: entering and leaving (not counting a
// message box or pop-up taking the focus) and typed characters, which the key handler may
// discard or replace while editing keys reach the memo as they are.
void bind_field_events(QLineEdit* memo, std::function<void()> enter, std::function<void()> exit,
                       std::function<void(QChar&)> keyPress);
