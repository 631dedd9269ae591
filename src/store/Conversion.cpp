#include "store/Conversion.h"

#include "common/Dialogs.h"
#include "store/ItemStore.h"
#include "store/RawStatement.h"
#include "store/StoreState.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlQuery>
#include <QVariant>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

namespace {
// The statements keep the text the older versions ran. The engine takes each of them as it
// stands: ADD without the word COLUMN, the quoted table names, the trailing semicolons, and,
// from version 3.35 on, DROP without the word COLUMN.
const char* const Step702[] = {
    "ALTER TABLE \"phonebk\" ADD createdts timestamp",
    "ALTER TABLE \"phonebk\" ADD editts timestamp",
    "ALTER TABLE \"phonebk\" ADD iname3 CHAR(80);",
    "UPDATE \"phonebk\" SET iname3=name;",
    "ALTER TABLE \"phonebk\" DROP name;",
    "ALTER TABLE \"phonebk\" DROP name2;",
    "ALTER TABLE \"phonebk\" ADD name char(80)",
    "UPDATE \"phonebk\" SET name=iname3;",
    "ALTER TABLE \"phonebk\" DROP iname3;",
};
const char* const Step703[] = {"UPDATE \"phonebk\" SET rank=0"};
const char* const Step1000[] = {
    "ALTER TABLE \"phonebk\" ADD numcousins integer",
    "UPDATE \"phonebk\" SET numcousins=0;",
};
const char* const Step1001[] = {"ALTER TABLE \"mm\" ADD linknote varchar(40)"};

template <size_t N> void execAll(const char* const (&statements)[N]) {
    for (const char* sql : statements)
        ExecStatement(QString::fromLatin1(sql));
}

void step702() {
    execAll(Step702);
}
void step703() {
    execAll(Step703);
}
void step1000() {
    execAll(Step1000);
}
void step1001() {
    execAll(Step1001);
}

// Every self-linked item hides its branch: it and everything below it get its id as Rank.
void step704() {
    std::vector<ItemId> hiders;
    {
        QSqlQuery q = ExecSql(QStringLiteral("select * from phonebk where parent = id"));
        while (q.next())
            hiders.push_back(IdFromDb(q.value(QStringLiteral("id"))));
    }
    for (ItemId hider : hiders)
        SetHiderBelow(hider, hider);
}

// The rows of the old links-across table go into mm2 as they stand, first to last, with no
// mirror rows added. A pair that comes again (the old table had no Drop to tell two links of
// one pair apart) takes the next Drop free for that pair instead of clashing on the key; the
// first row of a pair gets 0. Both tables must exist: the step creates neither.
void step1100() {
    QSqlQuery insert = PrepareQuery(
        QStringLiteral("INSERT INTO mm2 (id1, id2, linknote, \"drop\") "
                       "SELECT :id1, :id2, :linknote, IFNULL(MAX(\"drop\") + 1, 0) FROM mm2 "
                       "WHERE id1 = :id1 AND id2 = :id2"));
    RawStatement rows("SELECT id1, id2, linknote FROM mm ORDER BY rowid");
    const auto value = [&rows](int column) -> QVariant {
        if (rows.IsNull(column))
            return QVariant(QMetaType::fromType<QString>());
        return column == 2 ? QVariant(rows.Text(column)) : QVariant(rows.Int(column));
    };
    while (rows.Step()) {
        insert.bindValue(QStringLiteral(":id1"), value(0));
        insert.bindValue(QStringLiteral(":id2"), value(1));
        insert.bindValue(QStringLiteral(":linknote"), value(2));
        ExecQuery(insert);
    }
    insert.finish();
}

// The step a database has had, as recorded inside it by the step's own transaction: the
// settings file is written after the commit, and a start that finds it behind (the write
// failed or was cut off) raises DBVN instead of running the step a second time.
int recordedStep() {
    QSqlQuery q = ExecSql(QStringLiteral("PRAGMA user_version"));
    return q.next() ? q.value(0).toInt() : 0;
}

void raiseDbvn(int step) {
    StoreDbvn() = step;
    if (TheStoreState.SaveSettings)
        TheStoreState.SaveSettings();
}

[[noreturn]] void copyFailed(const QString& path, const QString& what) {
    throw DbError(QStringLiteral("The copy %1 could not be made: %2")
                      .arg(QDir::toNativeSeparators(path), what));
}

void syncPath(const QString& path, bool directory) {
    const int fd = ::open(QFile::encodeName(path).constData(),
                          O_RDONLY | O_CLOEXEC | (directory ? O_DIRECTORY : 0));
    if (fd < 0 || ::fsync(fd) != 0) {
        const int error = errno;
        if (fd >= 0)
            ::close(fd);
        copyFailed(path, QString::fromLocal8Bit(std::strerror(error)));
    }
    ::close(fd);
}

// The database as it is before the series' first step, beside it. The engine writes a
// consistent copy into a new file; it is on disk before it takes its name, so a copy under
// that name is always whole, and one left by an earlier start is replaced.
void makeCopy(int dbvn) {
    const QString target = ConversionCopyPath(dbvn);
    const QString part = target + QStringLiteral(".part");
    QFile::remove(part);
    QSqlQuery q = PrepareQuery(QStringLiteral("VACUUM INTO :file"));
    q.bindValue(QStringLiteral(":file"), part);
    ExecQuery(q);
    q.finish();
    syncPath(part, false);
    if (std::rename(QFile::encodeName(part).constData(), QFile::encodeName(target).constData()) !=
        0)
        copyFailed(target, QString::fromLocal8Bit(std::strerror(errno)));
    syncPath(QFileInfo(target).absolutePath(), true);
    TheStoreState.SeriesCopyPath = target;
}

ConversionResult runStep(int step, void (*change)()) {
    try {
        if (recordedStep() >= step) {
            raiseDbvn(step);
            return ConversionResult::Done;
        }
        if (TheStoreState.SeriesCopyPath.isEmpty()) {
            makeCopy(StoreDbvn());
            TheStoreState.SeriesCopyStep = step;
        }
        if (!ConfirmConversion(step))
            return ConversionResult::Declined;
        Transaction t;
        change();
        ExecStatement(QStringLiteral("PRAGMA user_version = %1").arg(step));
        t.Commit();
    } catch (const DbError& e) {
        throw ConversionError(e, step);
    }
    raiseDbvn(step);
    return ConversionResult::Done;
}
} // namespace

void BindConversionSettings(int& dbvn, std::function<void()> saveSettings) {
    TheStoreState.BoundDbvn = &dbvn;
    TheStoreState.SaveSettings = std::move(saveSettings);
    TheStoreState.SeriesCopyPath.clear();
    TheStoreState.SeriesCopyStep = 0;
}

int& StoreDbvn() {
    return TheStoreState.BoundDbvn ? *TheStoreState.BoundDbvn : TheStoreState.OwnDbvn;
}

bool ConversionPending(int dbvn) {
    return dbvn <= 704 || dbvn == 1000 || dbvn == 1001;
}

void NoteNewDatabase() {
    if (!ConversionPending(StoreDbvn()))
        return;
    raiseDbvn(NewestDbvn);
}

ConversionResult RunEarlyConversionSteps() {
    if (StoreDbvn() < 702 && runStep(702, step702) == ConversionResult::Declined)
        return ConversionResult::Declined;
    if (StoreDbvn() < 703 && runStep(703, step703) == ConversionResult::Declined)
        return ConversionResult::Declined;
    return ConversionResult::Done;
}

ConversionResult RunLateConversionSteps() {
    struct LateStep {
        int From;
        int To;
        void (*Change)();
    };
    static const LateStep steps[] = {
        {703, 704, step704}, {704, 1000, step1000}, {1000, 1001, step1001}, {1001, 1100, step1100}};
    for (const LateStep& s : steps) {
        if (StoreDbvn() == s.From && runStep(s.To, s.Change) == ConversionResult::Declined)
            return ConversionResult::Declined;
    }
    return ConversionResult::Done;
}

bool ConfirmConversion(int step) {
    QString question = QStringLiteral("Database will be converted, have you backed it up?");
    const StoreState& c = TheStoreState;
    if (c.SeriesCopyPath.isEmpty())
        return Confirm(question);
    const QString copy = QDir::toNativeSeparators(c.SeriesCopyPath);
    // One copy serves the whole series: the later steps' questions say which step it was made
    // before, so that its name (the version the file had then) is not taken for this step's.
    if (step == c.SeriesCopyStep)
        question += QStringLiteral("\rA copy of it from before the conversion is kept in ") + copy;
    else
        question += QStringLiteral("\rThe copy made before the conversion's first step (step "
                                   "%1) is kept in %2")
                        .arg(c.SeriesCopyStep)
                        .arg(copy);
    return Confirm(question);
}

void ExecStatement(const QString& sql) {
    QSqlQuery q = ExecSql(sql);
    q.finish();
}

QString ConversionCopyPath(int dbvn) {
    return PhoneDB().databaseName() + QStringLiteral(".before-") + QString::number(dbvn);
}
