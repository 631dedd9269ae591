#pragma once

#include <QByteArray>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>

// The program (CARDOLO_BIN) run as a script runs it: without a display, its exit code and
// both outputs kept. Code is -1 when it did not end normally within two minutes.
struct CardoloOutcome {
    int Code = -1;
    QByteArray Out;
    QByteArray Err;
};

inline CardoloOutcome RunCardolo(const QStringList& args) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
        env.remove(name);
    p.setProcessEnvironment(env);
    p.start(qEnvironmentVariable("CARDOLO_BIN"), args);
    if (!p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit)
        return {};
    return {p.exitCode(), p.readAllStandardOutput(), p.readAllStandardError()};
}
