#include "Memo.h"

#include "EventHook.h"
#include "Palette.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPalette>
#include <QTimer>

namespace {

constexpr Color kFlashColour = clRed;

Color shown_colour(const QLineEdit* edit)
{
    return from_qcolor(edit->palette().color(QPalette::Active, QPalette::Text));
}

// Only the active and inactive text colours change: a disabled memo keeps its grey.
void show_colour(QLineEdit* edit, Color colour)
{
    QPalette p = edit->palette();
    p.setColor(QPalette::Active, QPalette::Text, to_qcolor(colour));
    p.setColor(QPalette::Inactive, QPalette::Text, to_qcolor(colour));
    edit->setPalette(p);
}

void show_look(QLineEdit* edit, const MemoLook& look)
{
    show_colour(edit, look.colour);
    if (edit->font().bold() != look.bold) {
        QFont f = edit->font();
        f.setBold(look.bold);
        edit->setFont(f);
    }
}

} // namespace

// The running flash of one line edit: the red overlay and the look that returns after it.
class MemoFlash : public QObject {
    Q_OBJECT
public:
    explicit MemoFlash(QLineEdit* edit) : QObject(edit), edit_(edit)
    {
        timer_.setSingleShot(true);
        connect(&timer_, &QTimer::timeout, this, &MemoFlash::finish);
    }

    static MemoFlash* of(const QLineEdit* edit)
    {
        return edit->findChild<MemoFlash*>(QString(), Qt::FindDirectChildrenOnly);
    }

    bool running() const { return timer_.isActive(); }
    const MemoLook& after() const { return after_; }
    void set_after(const MemoLook& look) { after_ = look; }

    void start(int ms)
    {
        if (!running()) {
            after_ = MemoLook{shown_colour(edit_), edit_->font().bold()};
            show_colour(edit_, kFlashColour);
        }
        edit_->repaint();
        timer_.start(std::max(ms, 0));
    }

private:
    void finish()
    {
        // Whoever recoloured the memo during the flash has the last word on the colour.
        if (shown_colour(edit_) == kFlashColour)
            show_colour(edit_, after_.colour);
        show_look(edit_, MemoLook{shown_colour(edit_), after_.bold});
    }

    QLineEdit* edit_;
    QTimer timer_;
    MemoLook after_;
};

QString LineEditMemo::text() const
{
    return edit_->text();
}

void LineEditMemo::set_text(const QString& text)
{
    edit_->setText(text);
}

int LineEditMemo::selection_start() const
{
    return edit_->hasSelectedText() ? edit_->selectionStart() : edit_->cursorPosition();
}

void LineEditMemo::set_selection_start(int position)
{
    edit_->setCursorPosition(position);
}

bool LineEditMemo::can_focus() const
{
    return edit_->isVisible() && edit_->isEnabled() && edit_->focusPolicy() != Qt::NoFocus;
}

void LineEditMemo::set_focus()
{
    edit_->setFocus(Qt::OtherFocusReason);
}

MemoLook LineEditMemo::look() const
{
    if (const MemoFlash* f = MemoFlash::of(edit_); f && f->running())
        return f->after();
    return MemoLook{shown_colour(edit_), edit_->font().bold()};
}

void LineEditMemo::set_look(const MemoLook& look)
{
    if (MemoFlash* f = MemoFlash::of(edit_); f && f->running()) {
        f->set_after(look);
        return;
    }
    show_look(edit_, look);
}

void LineEditMemo::flash(int ms)
{
    MemoFlash* f = MemoFlash::of(edit_);
    if (!f)
        f = new MemoFlash(edit_);
    f->start(ms);
}

void LineEditMemo::set_max_length(int length)
{
    edit_->setMaxLength(length);
}

void LineEditMemo::set_hint(const QString& hint)
{
    edit_->setToolTip(hint);
}

void LineEditMemo::repaint()
{
    edit_->repaint();
}

bool memo_is_flashing(const QLineEdit* edit)
{
    const MemoFlash* f = edit ? MemoFlash::of(edit) : nullptr;
    return f && f->running();
}

// ---- Routing ------------------------------------------------------------------------------

QChar typed_char(const QKeyEvent& event)
{
    switch (event.key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return QChar(13);
    case Qt::Key_Backspace:
        return QChar(8);
    case Qt::Key_Escape:
        return QChar(27);
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Delete:
        return QChar();
    default:
        break;
    }
    const Qt::KeyboardModifiers mods = event.modifiers();
    if (mods & Qt::ControlModifier) {
        // Ctrl with a letter types that letter's control character; Ctrl with anything
        // else types nothing. Ctrl+Alt is how some keyboards type printable characters.
        if (!(mods & Qt::AltModifier)) {
            const int k = event.key();
            if (k >= Qt::Key_A && k <= Qt::Key_Z)
                return QChar(char16_t(k - Qt::Key_A + 1));
            return QChar();
        }
    }
    const QString text = event.text();
    if (text.isEmpty() || text.front() == QChar(0x7F))
        return QChar();
    // A character outside the basic plane (two code units) is nothing a number takes.
    return text.size() == 1 ? text.front() : QChar(QChar::ReplacementCharacter);
}

bool route_key_press(QLineEdit* edit, const QKeyEvent& event,
                     const std::function<void(QChar& key)>& handler)
{
    const QChar typed = typed_char(event);
    if (typed.isNull() || !handler)
        return false;
    QChar key = typed;
    handler(key);
    if (key.isNull())
        return true;
    if (key != typed) {
        if (edit)
            edit->insert(QString(key));
        return true;
    }
    return false;
}

bool is_field_focus_change(const QFocusEvent& event)
{
    const Qt::FocusReason r = event.reason();
    return r != Qt::ActiveWindowFocusReason && r != Qt::PopupFocusReason;
}

void bind_field_events(QLineEdit* memo, std::function<void()> enter, std::function<void()> exit,
                       std::function<void(QChar&)> keyPress)
{
    new EventHook(memo, [memo, enter, exit, keyPress](QEvent* e) {
        switch (e->type()) {
        case QEvent::FocusIn:
            if (is_field_focus_change(*static_cast<QFocusEvent*>(e)))
                enter();
            return false;
        case QEvent::FocusOut:
            if (is_field_focus_change(*static_cast<QFocusEvent*>(e)))
                exit();
            return false;
        case QEvent::KeyPress:
            return route_key_press(memo, *static_cast<QKeyEvent*>(e), keyPress);
        default:
            return false;
        }
    });
}

#include "Memo.moc"
