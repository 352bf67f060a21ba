#pragma once
// A status bar of fixed-width panels side by side, each with a sunken border. Owner-drawn
// panels are painted by a callback through a Canvas onto the bar itself; plain panels show
// their text (or stay empty).

#include "Canvas.h"

#include <QRect>
#include <QString>
#include <QWidget>

#include <functional>
#include <vector>

class StatusBarPanels : public QWidget {
    Q_OBJECT
public:
    struct PanelInfo {
        int width = 50;
        bool ownerDrawn = false;
        QString text;
    };

    // Called for each owner-drawn panel on every paint, with the panel's inner rectangle
    // (inside its border) in the bar's coordinates. The canvas is clipped to that rectangle.
    using DrawPanel = std::function<void(Canvas& canvas, int index, const QRect& rect)>;

    explicit StatusBarPanels(QWidget* parent = nullptr);

    void setPanels(std::vector<PanelInfo> panels);
    int panelCount() const { return int(panels_.size()); }
    const PanelInfo& panel(int index) const { return panels_.at(std::size_t(index)); }
    void setPanelText(int index, const QString& text);
    // The inner rectangle of a panel, the one the draw callback receives.
    QRect panelRect(int index) const;
    // The bar's own background colour (what an "outline only" indicator box shows inside).
    Color backgroundColor() const;

    DrawPanel onDrawPanel;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QRect frameRect(int index) const;

    std::vector<PanelInfo> panels_;
};
