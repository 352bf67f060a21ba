#include "WindowLook.h"

#include "Panel.h"

#include <QApplication>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QVBoxLayout>

QFont window_font()
{
    QFont f(QStringLiteral("Tahoma"));
    f.setPixelSize(11);
    f.setWeight(QFont::Normal);
    return f;
}

QFont bold(QFont font)
{
    font.setBold(true);
    return font;
}

void set_text_color(QWidget* w, QPalette::ColorRole role, const QColor& color, ColourStates states)
{
    QPalette p = w->palette();
    if (states == ColourStates::Every) {
        p.setColor(role, color);
    } else {
        p.setColor(QPalette::Active, role, color);
        p.setColor(QPalette::Inactive, role, color);
    }
    w->setPalette(p);
}

void keep_window_look(QWidget* w, ColourStates states)
{
    w->setFont(window_font());
    set_text_color(w, QPalette::WindowText, QApplication::palette().color(QPalette::WindowText),
                   states);
}

QGroupBox* caption_group(QWidget* parent, const char* name, const QString& caption, int pixelSize,
                         bool boldCaption, const QColor& color, ColourStates states)
{
    auto* box = new QGroupBox(caption, parent);
    box->setObjectName(QLatin1String(name));
    QFont f = boldCaption ? bold(window_font()) : window_font();
    f.setPixelSize(pixelSize);
    box->setFont(f);
    set_text_color(box, QPalette::WindowText, color, states);
    return box;
}

Panel* named_panel(QWidget* parent, const QString& name, const QString& caption)
{
    auto* p = new Panel(parent, caption);
    p->setObjectName(name);
    return p;
}

QHBoxLayout* row_layout(QWidget* w, int left, int top, int right, int bottom)
{
    auto* layout = new QHBoxLayout(w);
    layout->setContentsMargins(left, top, right, bottom);
    layout->setSpacing(2);
    return layout;
}

QVBoxLayout* column_layout(QWidget* w, int margin, int spacing)
{
    auto* layout = new QVBoxLayout(w);
    layout->setContentsMargins(margin, margin, margin, margin);
    layout->setSpacing(spacing);
    return layout;
}
