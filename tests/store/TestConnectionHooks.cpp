#include "support/ItemFixture.h"

#include "common/Folders.h"
#include "store/ConnectionHooks.h"
#include "store/Database.h"
#include "support/TestFolder.h"

#include <QTemporaryFile>
#include <QTest>

#include <cstdio>
#include <unistd.h>

namespace {
// What the hooks of this test heard, in order.
QStringList Heard;
// What the hooks do besides telling, as each test function asks.
bool FailWhenReady = false;
bool WriteWhenClosing = false;
bool FailWhenClosing = false;

// Runs work with standard error caught, and returns what it wrote there.
template <typename Work> QString caughtStderr(Work work) {
    QTemporaryFile caught;
    if (!caught.open())
        return QStringLiteral("(standard error could not be caught)");
    std::fflush(stderr);
    const int saved = ::dup(STDERR_FILENO);
    ::dup2(caught.handle(), STDERR_FILENO);
    work();
    std::fflush(stderr);
    ::dup2(saved, STDERR_FILENO);
    ::close(saved);
    caught.seek(0);
    return QString::fromLocal8Bit(caught.readAll());
}
} // namespace

// The store calls the hooks of the parts above it at the moments of PhoneDB's life: when its
// tables are ready, when it refuses writes, and when it closes.
class TestConnectionHooks : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        ConnectionHooks first;
        first.TablesReady = [] {
            // The tables are there to be read.
            Heard << QStringLiteral("ready %1").arg(Scalar("SELECT count(*) FROM phonebk").toInt());
            if (FailWhenReady)
                throw DbError(QStringLiteral("the hook could not set up"));
        };
        first.WritesRefused = [](WriteRefusal reason, bool firstRefusal) {
            Heard << QStringLiteral("refused %1 %2")
                         .arg(reason == WriteRefusal::DamagedFile ? "damaged" : "read-only")
                         .arg(firstRefusal ? "first" : "again");
        };
        first.Closing = [] {
            Heard << QStringLiteral("closing");
            if (WriteWhenClosing)
                Exec("INSERT INTO phonebk (name) VALUES ('written at closing')");
            if (FailWhenClosing)
                throw DbError(QStringLiteral("the last writes failed"));
        };
        first.Forget = [] { Heard << QStringLiteral("forget"); };
        AddConnectionHooks(first);
        // Hooks left empty are skipped; the others run after those added before them.
        ConnectionHooks second;
        second.Closing = [] { Heard << QStringLiteral("closing second"); };
        AddConnectionHooks(second);
    }
    void init() {
        Heard.clear();
        FailWhenReady = WriteWhenClosing = FailWhenClosing = false;
    }

    void hooksHearOpeningAndClosingInOrder() {
        TestFolder folder;
        // An opening first closes whatever was open, with the same hooks; a new file's tables
        // are ready before its first item is written.
        const QStringList closing{"closing", "closing second", "forget"};
        QCOMPARE(Heard, closing + QStringList{"ready 0"});
        MakeItem("kept");
        Heard.clear();
        WriteWhenClosing = true;
        ClosePhoneDB();
        QCOMPARE(Heard, closing);
        // Closing ran while the file still took writes, and what it wrote was kept.
        Heard.clear();
        WriteWhenClosing = false;
        OpenPhoneDB(DatabasePath());
        QCOMPARE(Heard.mid(0, 3), closing);
        // The tables are ready again whenever the store brings them up to date.
        Heard.clear();
        EnsureIndexes();
        QCOMPARE(Heard, QStringList{"ready 3"}); // the first item, "kept" and the one written
        QCOMPARE(Scalar("SELECT count(*) FROM phonebk WHERE name = 'written at closing'").toInt(),
                 1);
    }

    void failedClosingHookIsToldAndTheFileStillCloses() {
        TestFolder folder;
        Heard.clear();
        FailWhenClosing = true;
        const QString told = caughtStderr([] { ClosePhoneDB(); });
        QVERIFY2(told.contains("the last writes failed"), qPrintable(told));
        QCOMPARE(Heard, (QStringList{"closing", "closing second", "forget"}));
        QVERIFY(!QSqlDatabase::contains(QLatin1String(PhoneDBName)));
        FailWhenClosing = false;
    }

    void failedReadyHookFailsTheOpening() {
        TestFolder folder(false);
        FailWhenReady = true;
        try {
            OpenPhoneDB(DatabasePath());
            QFAIL("the database opened although a hook could not set up");
        } catch (const DbError& e) {
            QVERIFY2(e.Text.contains("the hook could not set up"), qPrintable(e.Text));
        }
        // The connection was closed, with the hooks told.
        QVERIFY(!QSqlDatabase::contains(QLatin1String(PhoneDBName)));
        const QStringList closing{"closing", "closing second", "forget"};
        QCOMPARE(Heard, closing + QStringList{"ready 0"} + closing);
        FailWhenReady = false;
        Heard.clear();
        OpenPhoneDB(DatabasePath());
        QVERIFY(PhoneDB().isOpen());
        QCOMPARE(Heard, closing + QStringList{"ready 0"});
    }

    // Each reason is heard once, and a damaged file after a read-only one is not the first
    // refusal.
    void refusalsAreHeardOncePerReason() {
        TestFolder folder;
        Heard.clear();
        RefuseWrites(WriteRefusal::ReadOnlyFile);
        RefuseWrites(WriteRefusal::ReadOnlyFile);
        RefuseWrites(WriteRefusal::DamagedFile);
        RefuseWrites(WriteRefusal::ReadOnlyFile);
        RefuseWrites(WriteRefusal::DamagedFile);
        QCOMPARE(Heard, (QStringList{"refused read-only first", "refused damaged again"}));
    }
};

QTEST_GUILESS_MAIN(TestConnectionHooks)
#include "TestConnectionHooks.moc"
