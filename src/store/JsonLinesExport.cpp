#include "store/JsonLines.h"

#include "store/JsonLinesFormat.h"
#include "store/SnapshotReader.h"

#include <QByteArray>
#include <QFile>
#include <QRegularExpression>

#include <sqlite3.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <unistd.h>

using namespace JsonLinesFormat;

namespace {
// The program's form of a time stamp.
bool storedStamp(const char* text, int size) {
    static const QRegularExpression form(
        QStringLiteral("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3}$"));
    return size == 23 && form.match(QLatin1String(text, size)).hasMatch();
}

// Appends bytes as a JSON string: quotes, backslashes and control characters escaped, every
// other byte as it is (UTF-8 stays UTF-8).
void appendString(QByteArray& out, const char* bytes, int size) {
    static const char hex[] = "0123456789abcdef";
    out += '"';
    for (int i = 0; i < size; ++i) {
        const unsigned char c = static_cast<unsigned char>(bytes[i]);
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (c < 0x20) {
                out += "\\u00";
                out += hex[c >> 4];
                out += hex[c & 0xF];
            } else {
                out += char(c);
            }
        }
    }
    out += '"';
}

// Appends the value of column i of stmt as JSON.
void appendValue(QByteArray& out, sqlite3_stmt* stmt, int i, bool stamp) {
    switch (sqlite3_column_type(stmt, i)) {
    case SQLITE_NULL:
        out += "null";
        return;
    case SQLITE_INTEGER:
        out += QByteArray::number(qint64(sqlite3_column_int64(stmt, i)));
        return;
    case SQLITE_FLOAT: {
        QByteArray n = QByteArray::number(sqlite3_column_double(stmt, i), 'g', 17);
        if (!n.contains('.') && !n.contains('e') && !n.contains("inf") && !n.contains("nan"))
            n += ".0";
        out += n;
        return;
    }
    case SQLITE_BLOB: {
        const QByteArray blob(static_cast<const char*>(sqlite3_column_blob(stmt, i)),
                              sqlite3_column_bytes(stmt, i));
        out += "{\"blob\":\"" + blob.toBase64() + "\"}";
        return;
    }
    default: {
        const char* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, i));
        const int size = sqlite3_column_bytes(stmt, i);
        if (!stamp) {
            appendString(out, text, size);
        } else if (storedStamp(text, size)) {
            QByteArray iso(text, size);
            iso[10] = 'T';
            appendString(out, iso.constData(), int(iso.size()));
        } else {
            // Not a time stamp of the program's form: kept as the text it is, marked so that it
            // is never taken for one (a text in ISO form would otherwise come back changed).
            out += "{\"text\":";
            appendString(out, text, size);
            out += '}';
        }
    }
    }
}

QByteArray selectOf(const Column* columns, size_t count, const char* table, const char* order) {
    QByteArray sql = "SELECT ";
    for (size_t i = 0; i < count; ++i)
        sql += (i ? ", " : "") + QByteArray(columns[i].Stored);
    return sql + " FROM " + table + " ORDER BY " + order;
}

// The lines of one table, each {"type":kind, ...}.
bool writeRows(SnapshotReader& reader, QFile& out, const char* kind, const Column* columns,
               size_t count, const char* table, const char* order, qint64& done, qint64 total,
               const JsonProgress& progress, QString& error) {
    SnapshotRows rows(reader, selectOf(columns, count, table, order));
    QByteArray line;
    while (rows.Next()) {
        line = "{\"type\":\"" + QByteArray(kind) + '"';
        for (size_t i = 0; i < count; ++i) {
            line += ",\"" + QByteArray(columns[i].InFile) + "\":";
            appendValue(line, rows.Statement(), int(i), columns[i].Stamp);
        }
        line += "}\n";
        if (out.write(line) != line.size()) {
            error = out.errorString();
            return false;
        }
        // Every row: the window's progress hears the user only after many reports.
        if (progress && !progress(++done, total)) {
            error = QStringLiteral("Stopped");
            return false;
        }
    }
    return reader.Error().isEmpty();
}

bool syncFile(QFile& file) {
    return file.flush() && ::fsync(file.handle()) == 0;
}
} // namespace

bool ExportJsonLines(const QString& database, const QString& path, const JsonExportHeader& header,
                     QString& error, const JsonProgress& progress) {
    const QString part = path + QStringLiteral(".part");
    QFile out(part);
    const auto fail = [&](const QString& why) {
        out.close();
        QFile::remove(part);
        error = why;
        return false;
    };
    SnapshotReader reader(database);
    // One read transaction from the first count to the last row: a snapshot of the file, whatever
    // a running program commits meanwhile.
    if (!reader.Begin())
        return fail(QStringLiteral("Cannot read %1: %2").arg(database, reader.Error()));
    const qint64 items = reader.Count("SELECT count(*) FROM phonebk");
    const qint64 links = reader.Count("SELECT count(*) FROM mm2");
    if (items < 0 || links < 0)
        return fail(QStringLiteral("Cannot read %1: %2").arg(database, reader.Error()));
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return fail(QStringLiteral("Cannot write %1: %2").arg(part, out.errorString()));
    QByteArray first = "{\"format\":\"" + QByteArray(Format) +
                       "\",\"version\":" + QByteArray::number(Version) + ",\"program\":";
    const QByteArray program = header.Program.toUtf8();
    appendString(first, program.constData(), int(program.size()));
    first += ",\"diaryid\":" + QByteArray::number(header.DiaryId.Value()) +
             ",\"archiveid\":" + QByteArray::number(header.ArchiveId.Value()) +
             ",\"items\":" + QByteArray::number(items) + ",\"links\":" + QByteArray::number(links) +
             "}\n";
    if (out.write(first) != first.size())
        return fail(QStringLiteral("Cannot write %1: %2").arg(part, out.errorString()));
    qint64 done = 0;
    QString why;
    if (!writeRows(reader, out, "item", ItemColumns, std::size(ItemColumns), "phonebk", "id", done,
                   items + links, progress, why) ||
        !writeRows(reader, out, "link", LinkColumns, std::size(LinkColumns), "mm2",
                   "id1, id2, \"drop\"", done, items + links, progress, why))
        return fail(why.isEmpty()
                        ? QStringLiteral("Cannot read %1: %2").arg(database, reader.Error())
                    : why == QLatin1String("Stopped")
                        ? why
                        : QStringLiteral("Cannot write %1: %2").arg(part, why));
    reader.Exec("COMMIT");
    if (!syncFile(out))
        return fail(QStringLiteral("Cannot write %1: %2").arg(part, out.errorString()));
    out.close();
    if (std::rename(QFile::encodeName(part).constData(), QFile::encodeName(path).constData()) != 0)
        return fail(QStringLiteral("Cannot write %1: %2")
                        .arg(path, QString::fromLocal8Bit(std::strerror(errno))));
    SyncFolder(path);
    return true;
}
