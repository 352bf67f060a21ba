// Writes a small diagram file with the program's own writer, as a seed for the dmg_file
// fuzz target: fuzz_make_dmg_seed <path> [samples].
#include "Diagramx.h"
#include "Dmg_file.h"

#include <QApplication>
#include <QWidget>

#include <cstdlib>
#include <memory>

int main(int argc, char** argv)
{
    if (argc < 2)
        return 2;
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    QWidget host;
    auto diagram = std::make_unique<Diagramx>(&host, 8, 5000, 20001);
    const int samples = argc > 2 ? std::atoi(argv[2]) : 3;
    for (int k = 0; k < samples; ++k) {
        double v[8];
        for (int c = 0; c < 8; ++c)
            v[c] = k * 10.0 + c - 20.5;
        diagram->AddSample(k * 0.001, v, 8);
    }
    DmgDisplaySettings settings;
    for (int i = 0; i < kDmgChannels; ++i)
        settings.names[i] = QStringLiteral("Dat Mis %1").arg(i + 1);
    settings.y_max = 1200;
    settings.y_min = -300;
    settings.flags = 1;
    dmg_write(QString::fromLocal8Bit(argv[1]), *diagram, settings);
    return 0;
}
