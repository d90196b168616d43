#pragma once
// Running the programs themselves in end-to-end tests.

#include <QProcess>

// Starts a program with no display to show windows on.
inline void startHeadless(QProcess& p, const QString& program, const QStringList& args)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    p.setProcessEnvironment(env);
    p.start(program, args);
}

// Starts a program headless and returns where it can be reached: the last
// word of the first line it prints (a pseudo-terminal or HOST:PORT).
inline QString startServing(QProcess& p, const QString& program, const QStringList& args = {})
{
    startHeadless(p, program, args);
    if (!p.waitForReadyRead(20000))
        return {};
    return QString::fromLocal8Bit(p.readLine()).trimmed().split(' ').last();
}

// Asked to end by the system, the program ends at once and cleanly.
inline bool endsCleanly(QProcess& p)
{
    p.terminate();
    return p.waitForFinished(3000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}
