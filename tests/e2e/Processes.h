#pragma once
// Helpers of the tests that run the real programs: waiting with a bound while the event loop
// lets QProcess read its pipes, and reading the files the programs write.

#include <QByteArray>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QList>
#include <QThread>
#include <functional>

namespace tarvik::test {

inline bool waitUntil(const std::function<bool()>& done, int limitMs = 15000) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > limitMs) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(10);
    }
    return true;
}

inline QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The non-empty lines of a file.
inline QList<QByteArray> lines(const QString& path) {
    QList<QByteArray> all = readAll(path).split('\n');
    all.removeAll(QByteArray());
    return all;
}

} // namespace tarvik::test
