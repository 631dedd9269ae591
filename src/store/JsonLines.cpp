#include "store/JsonLines.h"

#include "store/Database.h"
#include "store/JsonLinesFormat.h"
#include "store/SideFiles.h"
#include "store/SnapshotReader.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QRegularExpression>
#include <QSet>
#include <QSqlQuery>
#include <QVariant>

#include <sqlite3.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

using namespace JsonLinesFormat;

namespace {
// How many lines a restore reads (and writes) between two reports of progress.
constexpr qint64 ProgressEvery = 2000;

// The file's form of a time stamp.
bool fileStamp(const QString& text) {
    static const QRegularExpression form(
        QStringLiteral("^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\\.\\d{3}$"));
    return form.match(text).hasMatch();
}
} // namespace

void JsonLinesFormat::SyncFolder(const QString& path) {
    const int fd = ::open(QFile::encodeName(QFileInfo(path).absolutePath()).constData(),
                          O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

namespace {
// One item as the check of a restore needs it.
struct ItemFacts {
    qint64 Id = 0;
    qint64 Parent = 0;
    bool NullParent = false;
    qint64 Children = 0; // as stored (null: 0)
    qint64 Cousins = 0;
    qint64 Line = 0;
};

struct LinkKey {
    qint64 Id1, Id2, Drop;
    bool operator==(const LinkKey& o) const {
        return Id1 == o.Id1 && Id2 == o.Id2 && Drop == o.Drop;
    }
};
size_t qHash(const LinkKey& k, size_t seed = 0) {
    return ::qHash(k.Id1, seed) ^ ::qHash(k.Id2 * 31 + k.Drop, seed);
}

QString lineError(qint64 line, const QString& why) {
    return QStringLiteral("Line %1: %2").arg(line).arg(why);
}

// A whole number of the object, or null when allowed; false with why otherwise.
bool wholeNumber(const QJsonObject& o, const char* key, bool nullable, qint64& value, bool& isNull,
                 QString& why) {
    const QJsonValue v = o.value(QLatin1String(key));
    isNull = v.isNull();
    if (v.isUndefined()) {
        why = QStringLiteral("no \"%1\"").arg(QLatin1String(key));
        return false;
    }
    if (isNull) {
        if (!nullable)
            why = QStringLiteral("\"%1\" is null").arg(QLatin1String(key));
        value = 0;
        return nullable;
    }
    const QVariant n = v.toVariant();
    if (n.typeId() != QMetaType::LongLong && n.typeId() != QMetaType::Int &&
        n.typeId() != QMetaType::ULongLong) {
        why = QStringLiteral("\"%1\" is not a whole number").arg(QLatin1String(key));
        return false;
    }
    value = n.toLongLong();
    return true;
}

// What a line of an item or a link must hold: every key of its kind, of a type its column takes.
bool valuesFit(const QJsonObject& o, const Column* columns, size_t count, QString& why) {
    for (size_t i = 0; i < count; ++i) {
        const QJsonValue v = o.value(QLatin1String(columns[i].InFile));
        if (v.isUndefined()) {
            why = QStringLiteral("no \"%1\"").arg(QLatin1String(columns[i].InFile));
            return false;
        }
        const bool wrapped = v.isObject() && v.toObject().size() == 1 &&
                             (v.toObject().value(QLatin1String("blob")).isString() ||
                              v.toObject().value(QLatin1String("text")).isString());
        if (v.isArray() || v.isBool() || (v.isObject() && !wrapped)) {
            why = QStringLiteral("\"%1\" holds no value a column takes")
                      .arg(QLatin1String(columns[i].InFile));
            return false;
        }
    }
    if (o.size() != qsizetype(count) + 1) {
        why = QStringLiteral("keys that are no column of its kind");
        return false;
    }
    return true;
}

// Reads the file's lines one by one: the parsed object, or false with the line's error.
class LineReader {
public:
    explicit LineReader(const QString& path) : file(path) {}
    bool Open(QString& error) {
        if (file.open(QIODevice::ReadOnly))
            return true;
        error = QStringLiteral("Cannot read %1: %2").arg(file.fileName(), file.errorString());
        return false;
    }
    // False at the end of the file (error empty) or on a line that is no JSON object.
    bool Next(QJsonObject& object, QString& error) {
        if (file.atEnd())
            return false;
        QByteArray text = file.readLine();
        ++number;
        if (!text.endsWith('\n')) {
            error = lineError(number, QStringLiteral("the line is cut off (no line end)"));
            return false;
        }
        text.chop(1);
        QJsonParseError parse;
        const QJsonDocument doc = QJsonDocument::fromJson(text, &parse);
        if (parse.error != QJsonParseError::NoError || !doc.isObject()) {
            error = lineError(number, parse.error != QJsonParseError::NoError
                                          ? QStringLiteral("not JSON (%1)").arg(parse.errorString())
                                          : QStringLiteral("not a JSON object"));
            return false;
        }
        object = doc.object();
        return true;
    }
    qint64 Line() const { return number; }
    qint64 Size() const { return file.size(); }
    qint64 Position() const { return file.pos(); }

private:
    QFile file;
    qint64 number = 0;
};

// The first line: the format and its version, the settings, and how many items and links the
// file holds.
bool checkFirstLine(LineReader& reader, JsonRestored& restored, qint64& items, qint64& links,
                    QString& error) {
    QJsonObject o;
    if (!reader.Next(o, error)) {
        if (error.isEmpty())
            error = lineError(1, QStringLiteral("the file is empty"));
        return false;
    }
    if (o.value(QLatin1String("format")).toString() != QLatin1String(Format)) {
        error = lineError(1, QStringLiteral("not a Cardolo export (no \"format\":\"%1\")")
                                 .arg(QLatin1String(Format)));
        return false;
    }
    qint64 number = 0;
    bool isNull = false;
    QString why;
    if (!wholeNumber(o, "version", false, number, isNull, why) || number != Version) {
        error =
            lineError(1, QStringLiteral("version %1 of the format; this Cardolo reads version %2")
                             .arg(o.value(QLatin1String("version")).toVariant().toString())
                             .arg(Version));
        return false;
    }
    qint64 diary = 0, archive = 0;
    if (!wholeNumber(o, "diaryid", false, diary, isNull, why) ||
        !wholeNumber(o, "archiveid", false, archive, isNull, why) ||
        !wholeNumber(o, "items", false, items, isNull, why) ||
        !wholeNumber(o, "links", false, links, isNull, why)) {
        error = lineError(1, why);
        return false;
    }
    restored.DiaryId = ItemId(int32_t(diary));
    restored.ArchiveId = ItemId(int32_t(archive));
    return true;
}

// What the item and link lines say, gathered as they are read.
struct FileFacts {
    std::vector<ItemFacts> Items;
    QHash<qint64, size_t> Index; // an item's place in Items, by its id
    QHash<LinkKey, qint64> LinkLines;
    std::vector<std::pair<LinkKey, qint64>> LinkOrder; // in the file's order
    QHash<qint64, qint64> Cousins;                     // links by their Id1
};

// An item's line: its values, and an id that no line before it had.
bool checkItemLine(const QJsonObject& o, qint64 line, FileFacts& facts, QString& error) {
    ItemFacts f;
    f.Line = line;
    qint64 ignored = 0;
    bool isNull = false;
    QString why;
    if (!valuesFit(o, ItemColumns, std::size(ItemColumns), why) ||
        !wholeNumber(o, "id", false, f.Id, isNull, why) ||
        !wholeNumber(o, "parent", true, f.Parent, f.NullParent, why) ||
        !wholeNumber(o, "numchildren", true, f.Children, isNull, why) ||
        !wholeNumber(o, "numcousins", true, f.Cousins, isNull, why) ||
        !wholeNumber(o, "rank", true, ignored, isNull, why)) {
        error = lineError(line, why);
        return false;
    }
    if (f.Id <= 0) {
        error = lineError(line, QStringLiteral("the id %1 is no item's").arg(f.Id));
        return false;
    }
    if (facts.Index.contains(f.Id)) {
        error = lineError(line, QStringLiteral("the id %1 is already that of line %2")
                                    .arg(f.Id)
                                    .arg(facts.Items[facts.Index.value(f.Id)].Line));
        return false;
    }
    facts.Index.insert(f.Id, facts.Items.size());
    facts.Items.push_back(f);
    return true;
}

// A link's line: its values, and a key that no line before it had.
bool checkLinkLine(const QJsonObject& o, qint64 line, FileFacts& facts, QString& error) {
    LinkKey k{};
    bool isNull = false;
    QString why;
    if (!valuesFit(o, LinkColumns, std::size(LinkColumns), why) ||
        !wholeNumber(o, "id1", false, k.Id1, isNull, why) ||
        !wholeNumber(o, "id2", false, k.Id2, isNull, why) ||
        !wholeNumber(o, "drop", false, k.Drop, isNull, why)) {
        error = lineError(line, why);
        return false;
    }
    if (facts.LinkLines.contains(k)) {
        error = lineError(line, QStringLiteral("the link %1-%2 (drop %3) is already on line %4")
                                    .arg(k.Id1)
                                    .arg(k.Id2)
                                    .arg(k.Drop)
                                    .arg(facts.LinkLines.value(k)));
        return false;
    }
    facts.LinkLines.insert(k, line);
    facts.LinkOrder.emplace_back(k, line);
    ++facts.Cousins[k.Id1];
    return true;
}

// The lines after the first, each an item or a link, every item before the links.
bool readLines(LineReader& reader, FileFacts& facts, QString& error, const JsonProgress& progress) {
    QJsonObject o;
    bool inLinks = false;
    while (reader.Next(o, error)) {
        const qint64 line = reader.Line();
        const QString type = o.value(QLatin1String("type")).toString();
        if (type == QLatin1String("item")) {
            if (inLinks) {
                error = lineError(line, QStringLiteral("an item after the links"));
                return false;
            }
            if (!checkItemLine(o, line, facts, error))
                return false;
        } else if (type == QLatin1String("link")) {
            inLinks = true;
            if (!checkLinkLine(o, line, facts, error))
                return false;
        } else {
            error = lineError(line, QStringLiteral("neither an item nor a link"));
            return false;
        }
        if (line % ProgressEvery == 0 && progress &&
            !progress(reader.Position(), reader.Size() * 2)) {
            error = QStringLiteral("Stopped");
            return false;
        }
    }
    return error.isEmpty();
}

// Every parent is among the items; the number of items below each is counted.
bool checkParents(const FileFacts& facts, QHash<qint64, qint64>& children, QString& error) {
    for (const ItemFacts& f : facts.Items) {
        if (f.NullParent) {
            error =
                lineError(f.Line, QStringLiteral("the item %1 has no parent, not even 0 (repair "
                                                 "the database it came from with cardolo "
                                                 "--check --repair)")
                                      .arg(f.Id));
            return false;
        }
        if (f.Parent != 0 && !facts.Index.contains(f.Parent)) {
            error =
                lineError(f.Line, QStringLiteral("the parent %1 of item %2 is not among the items")
                                      .arg(f.Parent)
                                      .arg(f.Id));
            return false;
        }
        if (f.Parent != 0)
            ++children[f.Parent];
    }
    return true;
}

// Both ends of every link are among the items, and every link has its mirror.
bool checkLinkEnds(const FileFacts& facts, QString& error) {
    for (const auto& [k, line] : facts.LinkOrder) {
        for (const qint64 id : {k.Id1, k.Id2})
            if (!facts.Index.contains(id)) {
                error = lineError(line, QStringLiteral("the link's item %1 is not among the "
                                                       "items")
                                            .arg(id));
                return false;
            }
        if (!facts.LinkLines.contains(LinkKey{k.Id2, k.Id1, k.Drop})) {
            error = lineError(line, QStringLiteral("the link %1-%2 (drop %3) has no mirror "
                                                   "%2-%1")
                                        .arg(k.Id1)
                                        .arg(k.Id2)
                                        .arg(k.Drop));
            return false;
        }
    }
    return true;
}

// What the lines say of each other: parents, link ends and mirrors, and each item's counts.
bool checkAgreement(const FileFacts& facts, QString& error) {
    QHash<qint64, qint64> children;
    if (!checkParents(facts, children, error) || !checkLinkEnds(facts, error))
        return false;
    for (const ItemFacts& f : facts.Items) {
        if (f.Children != children.value(f.Id) || f.Cousins != facts.Cousins.value(f.Id)) {
            error =
                lineError(f.Line, QStringLiteral("item %1 counts %2 items below it and %3 links "
                                                 "across, where the lines give %4 and %5")
                                      .arg(f.Id)
                                      .arg(f.Children)
                                      .arg(f.Cousins)
                                      .arg(children.value(f.Id))
                                      .arg(facts.Cousins.value(f.Id)));
            return false;
        }
    }
    return true;
}

// The first pass: everything the file says is checked before anything is written.
bool checkFile(const QString& path, JsonRestored& restored, QString& error,
               const JsonProgress& progress) {
    LineReader reader(path);
    if (!reader.Open(error))
        return false;
    qint64 items = 0, links = 0;
    if (!checkFirstLine(reader, restored, items, links, error))
        return false;
    FileFacts facts;
    facts.Items.reserve(size_t(items));
    if (!readLines(reader, facts, error, progress))
        return false;
    const qint64 last = reader.Line();
    if (qint64(facts.Items.size()) != items || qint64(facts.LinkLines.size()) != links) {
        error = lineError(last, QStringLiteral("the file ends after %1 items and %2 links; its "
                                               "first line says %3 and %4")
                                    .arg(facts.Items.size())
                                    .arg(facts.LinkLines.size())
                                    .arg(items)
                                    .arg(links));
        return false;
    }
    if (!checkAgreement(facts, error))
        return false;
    restored.Items = items;
    restored.Links = links;
    return true;
}

// A value of the file bound as its column stores it.
void bindValue(QSqlQuery& q, int i, const QJsonValue& v, bool stamp) {
    if (v.isNull()) {
        q.bindValue(i, QVariant(QMetaType::fromType<QString>()));
    } else if (v.isString()) {
        QString text = v.toString();
        if (stamp && fileStamp(text))
            text[10] = QLatin1Char(' ');
        q.bindValue(i, text);
    } else if (v.isObject() && v.toObject().contains(QLatin1String("text"))) {
        q.bindValue(i, v.toObject().value(QLatin1String("text")).toString());
    } else if (v.isObject()) {
        q.bindValue(i, QByteArray::fromBase64(
                           v.toObject().value(QLatin1String("blob")).toString().toLatin1()));
    } else {
        const QVariant n = v.toVariant();
        if (n.typeId() == QMetaType::Double)
            q.bindValue(i, n.toDouble());
        else
            q.bindValue(i, n.toLongLong());
    }
}

QString insertSql(const char* table, const Column* columns, size_t count) {
    QString names, places;
    for (size_t i = 0; i < count; ++i) {
        names += (i ? QStringLiteral(", ") : QString()) + QLatin1String(columns[i].Stored);
        places += (i ? QStringLiteral(", ?") : QStringLiteral("?"));
    }
    return QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
        .arg(QLatin1String(table), names, places);
}

// The second pass: the rows into the database open on PhoneDB, in one transaction.
bool fillDatabase(const QString& path, const JsonRestored& restored, QString& error,
                  const JsonProgress& progress) {
    LineReader reader(path);
    if (!reader.Open(error))
        return false;
    Transaction t;
    // The new database's own item goes: the file holds every item.
    ExecSql(QStringLiteral("DELETE FROM phonebk"));
    ExecSql(QStringLiteral("DELETE FROM mm2"));
    QSqlQuery items = PrepareQuery(insertSql("phonebk", ItemColumns, std::size(ItemColumns)));
    QSqlQuery links = PrepareQuery(insertSql("mm2", LinkColumns, std::size(LinkColumns)));
    QJsonObject o;
    reader.Next(o, error); // the header, checked already
    qint64 done = 0;
    const qint64 total = restored.Items + restored.Links;
    while (reader.Next(o, error)) {
        const bool item = o.value(QLatin1String("type")).toString() == QLatin1String("item");
        QSqlQuery& q = item ? items : links;
        const Column* columns = item ? ItemColumns : LinkColumns;
        const size_t count = item ? std::size(ItemColumns) : std::size(LinkColumns);
        for (size_t i = 0; i < count; ++i)
            bindValue(q, int(i), o.value(QLatin1String(columns[i].InFile)), columns[i].Stamp);
        ExecQuery(q);
        if (++done % ProgressEvery == 0 && progress && !progress(total + done, total * 2)) {
            error = QStringLiteral("Stopped");
            return false;
        }
    }
    if (!error.isEmpty())
        return false;
    items.finish();
    links.finish();
    t.Commit();
    return true;
}
} // namespace

bool RestoreJsonLines(const QString& file, const QString& database, JsonRestored& restored,
                      QString& error, const JsonProgress& progress) {
    if (!checkFile(file, restored, error, progress))
        return false;
    const QString part = database + QStringLiteral(".restore");
    const auto removePart = [&part] {
        for (const char* suffix : {"", "-journal", "-wal", "-shm"})
            QFile::remove(part + QLatin1String(suffix));
    };
    removePart();
    bool filled = false;
    try {
        OpenPhoneDB(part);
        filled = fillDatabase(file, restored, error, progress);
    } catch (const DbError& e) {
        error = e.Text;
    }
    ClosePhoneDB();
    if (!filled) {
        removePart();
        return false;
    }
    // The engine would replay a log left beside the file it replaces into the new one.
    for (const QString& side : SideFilesOf(database))
        QFile::remove(side);
    if (std::rename(QFile::encodeName(part).constData(), QFile::encodeName(database).constData()) !=
        0) {
        error = QStringLiteral("Cannot make %1: %2")
                    .arg(database, QString::fromLocal8Bit(std::strerror(errno)));
        removePart();
        return false;
    }
    SyncFolder(database);
    return true;
}
