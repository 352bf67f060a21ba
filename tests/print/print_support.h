#pragma once
// Helpers for the printing tests: a diagram with data on a hidden host with the channel name
// slots, and running the poppler tools that read a printed PDF back.

#include "Diagramx.h"
#include "Print_page.h"

#include <QProcess>
#include <QStandardPaths>
#include <QWidget>

#include <cmath>
#include <cstring>
#include <memory>

struct PrintHost {
    QWidget widget;
    std::unique_ptr<Diagramx> d;
    char names[kPrintChannels][kPrintNameSize] = {};

    explicit PrintHost(int samples = 3000)
    {
        widget.resize(700, 450);
        d = std::make_unique<Diagramx>(&widget, 8, 5000, 20001);
        double v[8];
        for (int k = 0; k < samples; ++k) {
            for (int c = 0; c < 8; ++c)
                v[c] = 100.0 * (c + 1) * std::sin(k * 0.004 + c * 0.7) + 50.0 * c;
            d->AddSample(d->nextTime, v, 8);
            d->nextTime += d->samplePeriod;
        }
        for (int c = 0; c < 8; ++c)
            std::snprintf(names[c], kPrintNameSize, "Dat Mis %d", c + 1);
        d->Redraw();
        print_diagram = d.get();
        print_names = &names[0][0];
    }
    ~PrintHost()
    {
        print_diagram = nullptr;
        print_names = nullptr;
    }
};

// Puts back the print settings that a test changes.
struct PrintSettingsReset {
    ~PrintSettingsReset()
    {
        print_is_preview = 0;
        print_whole_diagram = 0;
        print_printer_index = 0;
    }
};

// Runs a poppler tool and returns its standard output ("" when it failed or is missing).
inline QString run_tool(const QString& program, const QStringList& args)
{
    if (QStandardPaths::findExecutable(program).isEmpty())
        return QString();
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        return QString();
    return QString::fromUtf8(p.readAllStandardOutput());
}

inline bool is_dark(QRgb c)
{
    return qRed(c) < 90 && qGreen(c) < 90 && qBlue(c) < 90;
}
