#pragma once
// Runs one of the built programs as a user at a terminal without a window system would: no
// DISPLAY, no Wayland, no platform chosen for Qt. Gives its exit status (-1 when it crashed
// or ran past a minute) and what it printed.

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>

struct ProgramOutcome {
    int code = -1;
    QByteArray out, err;
};

inline ProgramOutcome run_program(const QString& program, const QStringList& args,
                                  const QString& folder)
{
    QProcess p;
    p.setWorkingDirectory(folder);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("DISPLAY");
    env.remove("WAYLAND_DISPLAY");
    env.remove("QT_QPA_PLATFORM");
    p.setProcessEnvironment(env);
    p.start(program, args);
    if (!p.waitForFinished(60000)) {
        p.kill();
        p.waitForFinished();
        return {};
    }
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput(),
            p.readAllStandardError()};
}
