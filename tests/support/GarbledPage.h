#pragma once

#include <QByteArray>
#include <QFile>
#include <QRandomGenerator>
#include <QString>
#include <QTest>

// The database file's page size, as the program makes its files.
constexpr int PageSize = 4096;

// Overwrites length bytes of page (1 is the first) from offset with bytes of a fixed seed, as a
// failing disk would.
inline void garble(const QString& path, int page, int offset = 0, int length = PageSize) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadWrite));
    QVERIFY(f.seek(qint64(page - 1) * PageSize + offset));
    QRandomGenerator random(page);
    QByteArray junk(length, Qt::Uninitialized);
    for (char& c : junk)
        c = char(random.bounded(256));
    QCOMPARE(f.write(junk), qint64(length));
}
