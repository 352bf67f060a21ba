#pragma once
// The "Misure" window: for each shown channel of a diagram, the minimum, maximum,
// peak-to-peak, mean, RMS and number of samples over the part the picture shows, or between
// the T cursors while they are on. A tool window beside its owner (the main window or the
// viewer), not modal: it follows the diagram, recomputed after each picture on the screen
// and each step of dragging a cursor, while it is open. "Copia" and Ctrl+C put the table on
// the clipboard as tab-separated text.

#include "MeasureTable.h"

#include <QPointer>
#include <QWidget>

#include <functional>
#include <vector>

class Diagramx;
class QLabel;
class QPushButton;
class QTableWidget;

class MeasureWindow : public QWidget {
    Q_OBJECT
public:
    // channelName(channel) is the channel's name as the legend shows it. The diagram may go
    // before the window does: from then on the table is empty.
    MeasureWindow(QWidget* owner, Diagramx* diagram, std::function<QString(int)> channelName);
    ~MeasureWindow() override;

    // Shows the window, or brings it to the front when it is open.
    void open();
    // Computes the figures again and shows them.
    void refresh();
    // The table as the clipboard gets it.
    QString tableText() const { return measure_tsv(rows_); }
    void copyTable();
    // Whether the window still has its diagram.
    bool follows() const { return diagram_ && picture_; }

    QLabel* rangeLabel = nullptr;
    QTableWidget* table = nullptr;
    QPushButton* copyButton = nullptr;
    QPushButton* closeButton = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void showRows();
    void detach();

    Diagramx* diagram_ = nullptr;
    // The diagram's picture: when it goes, the diagram is going.
    QPointer<QWidget> picture_;
    std::function<QString(int)> channelName_;
    std::vector<MeasureRow> rows_;
};

class QAction;
class QMenu;

// Adds "Misure" (Ctrl+M, object name "Menu_Misure") to `menu`. It opens the measurement
// window of `owner`, made on first use for the diagram that diagram() then gives (and made
// again should the owner's diagram be another one by then), or brings it to the front.
QAction* add_measure_menu_item(QMenu* menu, QWidget* owner,
                               const std::function<Diagramx*()>& diagram,
                               const std::function<QString(int)>& channelName);
