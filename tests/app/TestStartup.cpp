#include "support/HoldsLock.h"
#include "support/SharedFontConfig.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

// The real program started on a fresh folder: the lock file, a second start on the same
// folder, shutdown by signal, stale and unusable lock files.
class TestStartup : public QObject {
    Q_OBJECT

    const QByteArray lockText =
        "This file LOCK.TXT is used to prevent multiple instances of program \"Cardolo\" "
        "running on your PC.\r\nIf the file is absent it will be created automatically.";

    static QString program() { return qEnvironmentVariable("CARDOLO_BIN"); }

    static QByteArray readAll(const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    // Starts the program on folder, offscreen. dropRoot runs it as an unprivileged user when
    // the tests run as root, so that folder permissions apply to it.
    static QProcess* start(const QString& folder, QObject* owner, bool dropRoot = false,
                           const QString& binary = program()) {
        auto* p = new QProcess(owner);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        if (dropRoot && ::geteuid() == 0)
            env = WithSharedFontConfig(env, QFileInfo(binary).absolutePath());
        p->setProcessEnvironment(env);
        if (dropRoot && ::geteuid() == 0) {
            p->setChildProcessModifier([] {
                if (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0)
                    ::_exit(99);
            });
        }
        p->start(binary, {"--folder", folder});
        return p;
    }

    static bool holdsLock(const QProcess* process, const QString& path) {
        return HoldsLock(process->processId(), path);
    }

    // Every file under folder with its size, time and content digest, except the database,
    // which the running instance owns and may write at any time.
    static QMap<QString, QByteArray> snapshot(const QString& folder) {
        QMap<QString, QByteArray> files;
        QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            QString path = it.next();
            QFileInfo info(path);
            if (info.fileName().startsWith("cardolo.db"))
                continue;
            files[path] = QByteArray::number(info.size()) + " " +
                          QByteArray::number(info.lastModified().toMSecsSinceEpoch()) + " " +
                          QCryptographicHash::hash(readAll(path), QCryptographicHash::Sha1).toHex();
        }
        return files;
    }

    // The files under folder that process has open.
    static QStringList openFilesUnder(const QProcess* process, const QString& folder) {
        QStringList open;
        const QString fds = QString("/proc/%1/fd/").arg(process->processId());
        for (const QString& fd : QDir(fds).entryList(QDir::AllEntries | QDir::System)) {
            char target[4096];
            ssize_t n = ::readlink(QFile::encodeName(fds + fd).constData(), target, sizeof target);
            if (n > 0 && QString::fromLocal8Bit(target, int(n)).startsWith(folder))
                open << QString::fromLocal8Bit(target, int(n));
        }
        return open;
    }

    // Stops process as a system shutdown would; true when it ended normally with code 0.
    static bool stopBySignal(QProcess* p) {
        ::kill(pid_t(p->processId()), SIGTERM);
        return p->waitForFinished(20000) && p->exitStatus() == QProcess::NormalExit &&
               p->exitCode() == 0;
    }

    static void terminate(QProcess* p) {
        if (p->state() != QProcess::NotRunning) {
            p->kill();
            p->waitForFinished(10000);
        }
    }

private slots:
    void initTestCase() {
        QVERIFY2(QFileInfo(program()).isExecutable(), "CARDOLO_BIN names no program");
    }

    void firstStartSecondStartSignalAndRestart() {
        QTemporaryDir dir;
        const QString lock = dir.path() + "/LOCK.TXT";
        QProcess* first = start(dir.path(), this);
        QVERIFY(first->waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(holdsLock(first, lock), 20000);
        QCOMPARE(readAll(lock), lockText);
        QVERIFY(QFileInfo(dir.path() + "/DATA").isDir());
        QVERIFY(!QFileInfo::exists(dir.path() + "/DATA/PHONEBK.INI"));

        const QMap<QString, QByteArray> before = snapshot(dir.path());
        QVERIFY(before.contains(lock));

        QProcess* second = start(dir.path(), this);
        QVERIFY(second->waitForStarted());
        QByteArray err;
        QTRY_VERIFY_WITH_TIMEOUT(
            (err += second->readAllStandardError()).contains("is already running"), 20000);
        QVERIFY2(err.contains("Program \"Cardolo\" is already running\n"), err.constData());
        // It then waits on its message box, holding nothing open in the folder; the files
        // are as they were.
        QCOMPARE(second->state(), QProcess::Running);
        QCOMPARE(openFilesUnder(second, QDir(dir.path()).canonicalPath()), QStringList());
        QVERIFY(!openFilesUnder(first, QDir(dir.path()).canonicalPath()).isEmpty());
        QCOMPARE(snapshot(dir.path()), before);
        terminate(second);
        QCOMPARE(snapshot(dir.path()), before);

        // A system shutdown closes the main window: settings written, exit code 0.
        QVERIFY(first->state() == QProcess::Running);
        QVERIFY(stopBySignal(first));
        const QByteArray ini = readAll(dir.path() + "/DATA/PHONEBK.INI");
        QVERIFY(ini.startsWith("[main]"));
        QVERIFY(ini.contains("FLASHINTERVAL=1000\n"));
        QCOMPARE(readAll(lock), lockText); // never rewritten

        // A lock file left behind, whatever it holds, does not block the next start.
        QFile::remove(dir.path() + "/DATA/PHONEBK.INI");
        QFile stale(lock);
        QVERIFY(stale.open(QIODevice::WriteOnly | QIODevice::Truncate));
        stale.write("left behind by a crash");
        stale.close();
        QProcess* p = start(dir.path(), this);
        QVERIFY(p->waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(holdsLock(p, lock) || p->state() == QProcess::NotRunning, 20000);
        QVERIFY2(p->state() == QProcess::Running, p->readAllStandardError().constData());
        QCOMPARE(readAll(lock), QByteArray("left behind by a crash"));
        QVERIFY(stopBySignal(p));
        QVERIFY(QFileInfo::exists(dir.path() + "/DATA/PHONEBK.INI"));
    }

    void readOnlyFolderIsNotAnotherInstance() {
        QTemporaryDir dir;
        const QString folder = dir.path() + "/prog";
        QVERIFY(QDir().mkpath(folder + "/DATA"));
        // The unprivileged user may enter, but not write, the program folder.
        QVERIFY(QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner |
                                                      QFile::ExeOwner | QFile::ReadOther |
                                                      QFile::ExeOther));
        const auto readOnly =
            QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther;
        QVERIFY(QFile::setPermissions(folder, readOnly));

        // The build folder may be closed to that user: it runs a copy of the program.
        const QString binary = dir.path() + "/cardolo";
        QVERIFY(QFile::copy(program(), binary));
        QProcess* p = start(folder, this, true, binary);
        QVERIFY(p->waitForStarted());
        QByteArray err;
        QTRY_VERIFY_WITH_TIMEOUT((err += p->readAllStandardError()).contains("\n") ||
                                     p->state() == QProcess::NotRunning,
                                 20000);
        err += p->readAllStandardError();
        terminate(p);
        QVERIFY2(err.contains("Cannot use lock file " + QFile::encodeName(folder) +
                              "/LOCK.TXT : Permission denied"),
                 err.constData());
        QVERIFY(!err.contains("already running"));
        QVERIFY(!QFileInfo::exists(folder + "/LOCK.TXT"));
        QFile::setPermissions(folder, readOnly | QFile::WriteOwner);
    }
};

QTEST_GUILESS_MAIN(TestStartup)
#include "TestStartup.moc"
