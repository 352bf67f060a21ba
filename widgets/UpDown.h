#pragma once
// A pair of up/down arrows stacked in one narrow control, for a field beside them.

#include <QWidget>

class QToolButton;

// Two arrow buttons stacked in one narrow control. Each click (repeated while held) reports
// its direction; the value the arrows change belongs to the field beside them, so the
// control has no position of its own.
class UpDown : public QWidget {
    Q_OBJECT
public:
    enum class Direction { None, Up, Down };

    explicit UpDown(QWidget* parent = nullptr);

    QToolButton* upButton() const { return up_; }
    QToolButton* downButton() const { return down_; }

signals:
    void changing(UpDown::Direction direction);

private:
    QToolButton* up_;
    QToolButton* down_;
};
