#include "store/Database.h"

#include "store/StoreState.h"
#include "store/WriteGate.h"

#include <QSqlError>
#include <QSqlQuery>

#include <sqlite3.h>

#include <utility>

// The transaction guard: BEGIN IMMEDIATE outermost, savepoints inside it.

namespace {
QString savepointName(int depth) {
    return QStringLiteral("cardolo_sp%1").arg(depth);
}
} // namespace

// A guard inside another one is a savepoint: leaving it without Commit undoes its own writes
// only, and the outer operation goes on with what it had done before.
Transaction::Transaction() {
    int& transactionDepth = TheStoreState.TransactionDepth;
    if (transactionDepth == 0) {
        // The write lock is taken at once: a transaction that read first would be refused its
        // first write when another connection (the search index's build) committed meanwhile.
        // A connection opened for reading only cannot take it and reads as before.
        // So does a connection whose writes are refused.
        const bool readOnly = TheStoreState.Refusal != WriteRefusal::None ||
                              sqlite3_db_readonly(PhoneDBHandle(), "main") == 1;
        // The user's turn to write is held until the transaction ends: a background writer
        // neither holds the engine's lock now nor takes it before then.
        if (!readOnly)
            EnterUserWrite();
        QSqlQuery begin(PhoneDB());
        if (!begin.exec(readOnly ? QStringLiteral("BEGIN") : QStringLiteral("BEGIN IMMEDIATE"))) {
            if (!readOnly)
                LeaveUserWrite();
            ThrowDriverError(begin.lastError());
        }
        outermost = true;
        TheStoreState.OutermostHoldsTurn = !readOnly;
    } else {
        ExecSql(QStringLiteral("SAVEPOINT ") + savepointName(transactionDepth));
    }
    depth = transactionDepth;
    ++transactionDepth;
}

void Transaction::Commit() {
    if (done)
        return;
    done = true;
    --TheStoreState.TransactionDepth;
    if (outermost) {
        // Run as a statement, not through the driver's commit, which keeps the engine's
        // result code to itself.
        QSqlQuery commit(PhoneDB());
        const bool committed = commit.exec(QStringLiteral("COMMIT"));
        const QSqlError error = commit.lastError();
        if (!committed)
            PhoneDB().rollback();
        if (std::exchange(TheStoreState.OutermostHoldsTurn, false))
            LeaveUserWrite();
        if (!committed)
            ThrowDriverError(error);
    } else {
        ExecSql(QStringLiteral("RELEASE ") + savepointName(depth));
    }
}

Transaction::~Transaction() {
    if (done)
        return;
    --TheStoreState.TransactionDepth;
    if (outermost) {
        PhoneDB().rollback();
        if (std::exchange(TheStoreState.OutermostHoldsTurn, false))
            LeaveUserWrite();
    } else {
        // No throwing from here: a failure leaves the outer guard to roll everything back.
        QSqlQuery q(PhoneDB());
        q.exec(QStringLiteral("ROLLBACK TO ") + savepointName(depth));
        q.exec(QStringLiteral("RELEASE ") + savepointName(depth));
    }
}
