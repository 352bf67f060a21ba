#pragma once
// The small controls the main window is built from that Qt has no direct equivalent for:
// a captioned 3-D panel and a radio group that reports its selected item. (The up/down
// arrows beside the numeric fields live with those fields, in UpDown.h.)

#include "Graph_draw.h"
#include "UpDown.h"

#include <QFrame>
#include <QGroupBox>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <functional>

class QButtonGroup;
class QToolButton;

// A panel with a 3-D border and a caption drawn inside it. Child controls are laid out by
// whoever builds the panel; the caption is drawn underneath them, so it is placed (by its
// alignment and the layout's margins) where no child covers it.
class Panel : public QFrame {
    Q_OBJECT
public:
    enum class Bevel { None, Raised, Lowered };

    explicit Panel(QWidget* parent = nullptr, const QString& caption = QString());

    QString caption() const { return caption_; }
    void setCaption(const QString& caption);
    Qt::Alignment alignment() const { return alignment_; }
    void setAlignment(Qt::Alignment alignment);
    // The caption's colour; disabling the panel does not change it.
    Color captionColor() const { return captionColor_; }
    void setCaptionColor(Color color);
    // A background colour of its own (otherwise the window's).
    void setColor(Color color);
    void setBevel(Bevel bevel);
    // Space kept free of the caption at the left and right (for child controls).
    void setCaptionMargins(int left, int right);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString caption_;
    Qt::Alignment alignment_ = Qt::AlignCenter;
    Color captionColor_ = clBlack;
    int captionLeft_ = 0;
    int captionRight_ = 0;
};

// A group of radio buttons, one per item, inside a group box. The selected item is its
// index (-1: none). itemIndexChanged is emitted whenever the selection changes, by the user
// or by setItemIndex, so handlers that must ignore the window's own changes check for that
// themselves.
class RadioGroup : public QGroupBox {
    Q_OBJECT
public:
    explicit RadioGroup(QWidget* parent = nullptr);

    void setItems(const QStringList& items);
    int count() const;
    QString itemText(int index) const;
    int itemIndex() const;
    void setItemIndex(int index);

signals:
    void itemIndexChanged(int index);

private:
    QButtonGroup* group_;
};

class QEvent;

// Forwards the events of one control to a function, so a window can handle a control's
// focus and key events without subclassing the control. Returning true consumes the event.
class EventHook : public QObject {
    Q_OBJECT
public:
    using Handler = std::function<bool(QEvent* event)>;
    EventHook(QObject* target, Handler handler);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QObject* target_;
    Handler handler_;
};
