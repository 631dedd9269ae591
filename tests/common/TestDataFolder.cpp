#include "common/Folders.h"
#include "common/SingleInstanceGuard.h"
#include "support/PermissionBitsApply.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>

namespace {
QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QStringList filesIn(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                  QDir::NoDotAndDotDot);
}

// Files may grow no larger than maxBytes while it lives: a write past that fails (EFBIG) as a
// write to a full disk does.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t maxBytes) {
        std::signal(SIGXFSZ, SIG_IGN);
        ::getrlimit(RLIMIT_FSIZE, &saved);
        rlimit limit = saved;
        limit.rlim_cur = maxBytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() { ::setrlimit(RLIMIT_FSIZE, &saved); }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit saved{};
};
} // namespace

// The data folder at start: made when missing, and refused in words when it is a file or may
// not be written. The lock file is made whole or not at all.
class TestDataFolder : public QObject {
    Q_OBJECT
private slots:
    void madeWhenMissing() {
        QTemporaryDir dir;
        SetProgramFolder(dir.path());
        QString error;
        QVERIFY(EnsureDataFolder(&error));
        QCOMPARE(error, QString());
        QVERIFY(QFileInfo(dir.path() + "/DATA").isDir());
        // The test of the folder leaves nothing behind.
        QCOMPARE(filesIn(dir.path() + "/DATA"), QStringList());
        QVERIFY(EnsureDataFolder(&error));
        QCOMPARE(filesIn(dir.path() + "/DATA"), QStringList());
    }

    void fileInItsPlaceIsRefused() {
        QTemporaryDir dir;
        SetProgramFolder(dir.path());
        QFile file(dir.path() + "/DATA");
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("not a folder");
        file.close();
        QString error;
        QVERIFY(!EnsureDataFolder(&error));
        QCOMPARE(error, QStringLiteral("%1/DATA is a file, but Cardolo keeps its items and "
                                       "settings in a folder of that name. Rename or move the "
                                       "file, then start Cardolo again.")
                            .arg(dir.path()));
        QCOMPARE(readAll(dir.path() + "/DATA"), QByteArray("not a folder"));
    }

    void readOnlyFolderIsRefused() {
        QTemporaryDir dir;
        SetProgramFolder(dir.path());
        const QString data = dir.path() + "/DATA";
        QVERIFY(QDir().mkdir(data));
        QVERIFY(QFile::setPermissions(data, QFile::ReadOwner | QFile::ExeOwner));
        QString error;
        {
            PermissionBitsApply bits;
            QVERIFY(!EnsureDataFolder(&error));
        }
        QCOMPARE(error, QStringLiteral("Cannot write in the folder %1: Permission denied. Give "
                                       "your user write permission on the folder %1, or start "
                                       "Cardolo with another folder (--folder DIR).")
                            .arg(data));
        QFile::setPermissions(data, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QCOMPARE(filesIn(data), QStringList());
    }

    // A write cut short leaves no lock file at all, rather than one with part of the text that
    // no later start would ever complete; nothing else is left in the folder either. The next
    // start makes it whole.
    void lockFileIsWholeOrAbsent() {
        QTemporaryDir dir;
        const QString lock = dir.path() + "/LOCK.TXT";
        QString error;
        {
            FileSizeLimit limit(20);
            QCOMPARE(SingleInstanceGuard::Acquire(lock, &error),
                     SingleInstanceGuard::Result::Failed);
        }
        QCOMPARE(error, QStringLiteral("Cannot use lock file %1 : File too large.").arg(lock));
        QCOMPARE(filesIn(dir.path()), QStringList());
        QCOMPARE(SingleInstanceGuard::Acquire(lock, &error), SingleInstanceGuard::Result::Acquired);
        QCOMPARE(readAll(lock), SingleInstanceGuard::LockFileText());
        QCOMPARE(filesIn(dir.path()), QStringList{"LOCK.TXT"});
        QCOMPARE(QFileInfo(lock).permissions() &
                     (QFile::ReadGroup | QFile::WriteGroup | QFile::ReadOther | QFile::WriteOther),
                 QFileDevice::Permissions());
    }

    void lockFileInReadOnlyFolder() {
        QTemporaryDir dir;
        QVERIFY(QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner));
        const QString lock = dir.path() + "/LOCK.TXT";
        QString error;
        {
            PermissionBitsApply bits;
            QCOMPARE(SingleInstanceGuard::Acquire(lock, &error),
                     SingleInstanceGuard::Result::Failed);
        }
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QCOMPARE(error, QStringLiteral("Cannot use lock file %1 : Permission denied. Give your "
                                       "user write permission on the folder %2, or start "
                                       "Cardolo with another folder (--folder DIR).")
                            .arg(lock, dir.path()));
        QCOMPARE(filesIn(dir.path()), QStringList());
    }

    void writeFailureAdvice_data() {
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("advice");
        QTest::newRow("full") << ENOSPC
                              << "The disk is full: free some space on it, then start Cardolo "
                                 "again.";
        QTest::newRow("quota") << EDQUOT
                               << "The disk is full: free some space on it, then start Cardolo "
                                  "again.";
        QTest::newRow("read-only disk")
            << EROFS
            << "The disk may only be read: start Cardolo with a folder on a writable disk "
               "(--folder DIR).";
        QTest::newRow("rights") << EACCES
                                << "Give your user write permission on the folder /f, or start "
                                   "Cardolo with another folder (--folder DIR).";
        QTest::newRow("other") << EIO << "";
    }
    void writeFailureAdvice() {
        QFETCH(int, code);
        QFETCH(QString, advice);
        QCOMPARE(WriteFailureAdvice(code, "/f"), advice);
    }
};

QTEST_GUILESS_MAIN(TestDataFolder)
#include "TestDataFolder.moc"
