#include "common/WholeFile.h"

#include "support/RefusedWrites.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {
QByteArray Contents(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}
} // namespace

// A file is replaced whole or not at all: a disk that fills up part way, or a folder that
// refuses the new file, leaves the old contents in place and says why.
class TestWholeFile : public QObject {
    Q_OBJECT
private slots:
    void replacesWholeOrKeepsTheOld() {
        QTemporaryDir dir;
        const QString path = QDir(dir.path()).filePath(QStringLiteral("notes.txt"));
        QString error;
        QVERIFY(WriteWholeFile(path, "old text\r\n", error));
        QCOMPARE(Contents(path), QByteArray("old text\r\n"));

        const QByteArray longer(64 * 1024, 'x');
        {
            // Room for 100 bytes only: the write is cut short as on a full disk.
            RefusedWrites full(dir.path(), 100);
            QVERIFY(!WriteWholeFile(path, longer, error));
        }
        QVERIFY2(error.startsWith(QStringLiteral("Cannot save ") + QDir::toNativeSeparators(path)),
                 qPrintable(error));
        QCOMPARE(Contents(path), QByteArray("old text\r\n"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"notes.txt"});

        QVERIFY(WriteWholeFile(path, longer, error));
        QCOMPARE(Contents(path), longer);
    }
};

QTEST_GUILESS_MAIN(TestWholeFile)
#include "TestWholeFile.moc"
