#pragma once
// The small controls the main window is built from that Qt has no direct equivalent for:
// a radio group that reports its selected item, and (shared with other windows) the
// captioned 3-D panel and the event hook. (The up/down arrows beside the numeric fields
// live with those fields, in UpDown.h.)

#include "Canvas.h"
#include "EventHook.h"
#include "Panel.h"
#include "UpDown.h"

#include <QFrame>
#include <QGroupBox>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <functional>

class QButtonGroup;
class QToolButton;

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
