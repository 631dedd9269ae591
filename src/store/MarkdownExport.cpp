#include "store/MarkdownExport.h"

#include "store/MarkdownLayout.h"
#include "store/SnapshotReader.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QUrl>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
const char* const ItemsSql = "SELECT id, parent, rank, name FROM phonebk ORDER BY id";
const char* const FilesSql = "SELECT id, tel, text, createdts, editts FROM phonebk ORDER BY id";
const char* const LinksSql = "SELECT id1, id2, linknote FROM mm2 ORDER BY id1, id2, \"drop\"";

QString systemError() {
    return QString::fromLocal8Bit(std::strerror(errno));
}

// A YAML double-quoted string: backslash, quote, and every character YAML would read as a line
// break or a control, written as an escape; the rest as UTF-8.
void appendQuoted(QByteArray& out, const QString& text) {
    static const char hex[] = "0123456789ABCDEF";
    const QByteArray utf8 = text.toUtf8();
    const auto* bytes = reinterpret_cast<const unsigned char*>(utf8.constData());
    const qsizetype size = utf8.size();
    out += '"';
    for (qsizetype i = 0; i < size; ++i) {
        const unsigned char c = bytes[i];
        if (c == '"' || c == '\\') {
            out += '\\';
            out += char(c);
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c < 0x20 || c == 0x7F) {
            out += "\\x";
            out += hex[c >> 4];
            out += hex[c & 0xF];
        } else if (c == 0xC2 && i + 1 < size && bytes[i + 1] >= 0x80 && bytes[i + 1] <= 0x9F) {
            // The C1 controls, U+0080 to U+009F; U+0085 is YAML's next line.
            const unsigned char code = bytes[++i];
            if (code == 0x85) {
                out += "\\N";
            } else {
                out += "\\x";
                out += hex[code >> 4];
                out += hex[code & 0xF];
            }
        } else if (c == 0xE2 && i + 2 < size && bytes[i + 1] == 0x80 &&
                   (bytes[i + 2] == 0xA8 || bytes[i + 2] == 0xA9)) {
            // The line and paragraph separators.
            out += bytes[i + 2] == 0xA8 ? "\\L" : "\\P";
            i += 2;
        } else {
            out += char(c);
        }
    }
    out += '"';
}

// A stored stamp: to the second in ISO 8601 when in the program's form, else as stored.
void appendStamp(QByteArray& out, const char* key, const SnapshotRows& row, int column) {
    if (row.IsNull(column))
        return;
    const QString stored = row.Text(column);
    static const QRegularExpression form(
        QStringLiteral("^(\\d{4}-\\d\\d-\\d\\d) (\\d\\d:\\d\\d:\\d\\d)\\.\\d{3}$"));
    out += key;
    out += ": ";
    const QRegularExpressionMatch m = form.match(stored);
    if (m.hasMatch())
        out += (m.captured(1) + QLatin1Char('T') + m.captured(2)).toLatin1();
    else
        appendQuoted(out, stored);
    out += '\n';
}

// The text of a Markdown link: its brackets and backslashes escaped.
QString linkText(const QString& name) {
    QString out;
    for (const QChar c : name) {
        if (c == QLatin1Char('[') || c == QLatin1Char(']') || c == QLatin1Char('\\'))
            out += QLatin1Char('\\');
        out += c;
    }
    return out;
}

// Line ends as LF: CR LF and a CR alone alike.
QByteArray textWithLf(const char* bytes, int size) {
    QByteArray out;
    out.reserve(size + 1);
    for (int i = 0; i < size; ++i) {
        if (bytes[i] == '\r') {
            out += '\n';
            if (i + 1 < size && bytes[i + 1] == '\n')
                ++i;
        } else {
            out += bytes[i];
        }
    }
    return out;
}

// The links across of one item, read in step with the items: both come in id order.
class LinkCursor {
public:
    explicit LinkCursor(SnapshotReader& reader) : rows(reader, LinksSql) { more = rows.Next(); }
    // Appends the links of the item with id (and skips those of ids before it, whose item is
    // not there) as front matter lines.
    void Append(QByteArray& out, const MarkdownLayout& layout, int item, qint64 id) {
        while (more && rows.Int64(0) < id)
            more = rows.Next();
        bool first = true;
        for (; more && rows.Int64(0) == id; more = rows.Next()) {
            if (first)
                out += "links:\n";
            first = false;
            const qint64 other = rows.Int64(1);
            const int to = layout.IndexOf(other);
            if (to < 0) {
                out += "  - missing: " + QByteArray::number(other) + '\n';
            } else {
                const QString path = layout.RelativeLink(item, to);
                const QString link =
                    QLatin1Char('[') + linkText(layout.ItemAt(to).Name) + QStringLiteral("](") +
                    QString::fromLatin1(QUrl::toPercentEncoding(path, "/")) + QLatin1Char(')');
                out += "  - link: ";
                appendQuoted(out, link);
                out += '\n';
            }
            if (!rows.IsNull(2) && rows.TextSize(2) > 0) {
                out += "    note: ";
                appendQuoted(out, rows.Text(2));
                out += '\n';
            }
        }
    }

private:
    SnapshotRows rows;
    bool more = false;
};

QByteArray fileOf(const MarkdownLayout& layout, int i, const SnapshotRows& row, LinkCursor& links) {
    const MarkdownLayout::Item& item = layout.ItemAt(i);
    QByteArray out = "---\nid: " + QByteArray::number(item.Id) + "\ntitle: ";
    appendQuoted(out, item.Name);
    out += '\n';
    if (!row.IsNull(1) && row.TextSize(1) > 0) {
        out += "ref: ";
        appendQuoted(out, row.Text(1));
        out += '\n';
    }
    appendStamp(out, "created", row, 3);
    appendStamp(out, "edited", row, 4);
    if (layout.Hidden(i)) {
        out += "hidden: true\n";
        if (layout.PlacedAs(i) == MarkdownLayout::Placed::SelfLinked)
            out += "hider: true\n";
        else if (item.Rank != 0 && item.Rank != item.Id)
            out += "hidden_by: " + QByteArray::number(item.Rank) + '\n';
    }
    if (layout.Archived(i))
        out += "archived: true\n";
    if (layout.PlacedAs(i) == MarkdownLayout::Placed::ParentMissing)
        out += "parent_missing: " +
               (item.NullParent ? QByteArray("null") : QByteArray::number(item.Parent)) + '\n';
    else if (layout.PlacedAs(i) == MarkdownLayout::Placed::ParentLoop)
        out += "parent_loop: true\n";
    links.Append(out, layout, i, item.Id);
    out += "---\n";
    if (!row.IsNull(2) && row.TextSize(2) > 0) {
        const char* bytes = row.TextData(2); // the bytes first, then their count
        out += '\n';
        out += textWithLf(bytes, row.TextSize(2));
        if (!out.endsWith('\n'))
            out += '\n';
    }
    return out;
}

bool writeNewFile(const QByteArray& path, const QByteArray& bytes) {
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0)
        return false;
    qsizetype written = 0;
    while (written < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + written, size_t(bytes.size() - written));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            const int saved = errno;
            ::close(fd);
            errno = saved;
            return false;
        }
        written += n;
    }
    return ::close(fd) == 0;
}

// Everything written below folder on disk, then folder's own entry in its parent.
bool syncTree(const QString& folder) {
    const int fd =
        ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = ::syncfs(fd) == 0;
    ::close(fd);
    return ok;
}

void syncFolder(const QString& path) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// A new folder beside target, named after it, that no other process has.
QString makeBuildFolder(const QString& target) {
    QByteArray name = QFile::encodeName(target + QStringLiteral(".part-XXXXXX"));
    if (!::mkdtemp(name.data()))
        return QString();
    return QFile::decodeName(name);
}

// Whether target (in the folder place) may become the export's folder: missing, or an empty
// folder, in a folder that exists. Else false with the reason in error.
bool targetFree(const QString& target, const QString& place, QString& error) {
    const QFileInfo info(target);
    if (info.exists() && !info.isDir()) {
        error =
            QStringLiteral("%1 exists and is not a folder").arg(QDir::toNativeSeparators(target));
        return false;
    }
    if (info.isDir() &&
        !QDir(target)
             .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)
             .isEmpty()) {
        error =
            QStringLiteral("%1 is not empty: the export makes a new folder, or fills an empty one")
                .arg(QDir::toNativeSeparators(target));
        return false;
    }
    if (!QFileInfo(place).isDir()) {
        error = QStringLiteral("Folder %1 does not exist").arg(QDir::toNativeSeparators(place));
        return false;
    }
    return true;
}

// Every item as the layout needs it, in the reader's snapshot (the reader's error tells
// whether they were all read).
std::vector<MarkdownLayout::Item> readItems(SnapshotReader& reader) {
    std::vector<MarkdownLayout::Item> items;
    SnapshotRows rows(reader, ItemsSql);
    while (rows.Next()) {
        MarkdownLayout::Item item;
        item.Id = rows.Int64(0);
        item.NullParent = rows.IsNull(1);
        item.Parent = rows.Int64(1);
        item.Rank = rows.Int64(2);
        item.Name = rows.Text(3);
        items.push_back(std::move(item));
    }
    return items;
}
} // namespace

bool ExportMarkdown(const QString& database, const QString& folder, ItemId archiveId,
                    MarkdownExported& exported, QString& error, const MarkdownProgress& progress) {
    const QString target = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
    const QString place = QFileInfo(target).absolutePath();
    if (!targetFree(target, place, error))
        return false;

    SnapshotReader reader(database);
    const auto readFailure = [&] {
        error = QStringLiteral("Cannot read %1: %2").arg(database, reader.Error());
        return false;
    };
    // One read transaction from the first row to the last: a snapshot of the file, whatever a
    // running program commits meanwhile.
    if (!reader.Begin())
        return readFailure();
    std::vector<MarkdownLayout::Item> items = readItems(reader);
    if (!reader.Error().isEmpty())
        return readFailure();
    const MarkdownLayout layout(std::move(items), archiveId.Value());

    const QString build = makeBuildFolder(target);
    if (build.isEmpty()) {
        error = QStringLiteral("Cannot write %1: %2")
                    .arg(QDir::toNativeSeparators(place), systemError());
        return false;
    }
    const auto fail = [&](const QString& why) {
        QDir(build).removeRecursively();
        error = why;
        return false;
    };
    const QByteArray base = QFile::encodeName(build) + '/';
    for (int k = 0; k < layout.FolderCount(); ++k) {
        const QByteArray path = base + QFile::encodeName(layout.FolderPath(k));
        if (::mkdir(path.constData(), 0777) != 0)
            return fail(
                QStringLiteral("Cannot write %1: %2").arg(QFile::decodeName(path), systemError()));
    }
    SnapshotRows rows(reader, FilesSql);
    LinkCursor links(reader);
    const qint64 total = layout.Count();
    int i = 0;
    for (; rows.Next(); ++i) {
        // The same snapshot gives the same items in the same order as the first read.
        if (i >= layout.Count() || rows.Int64(0) != layout.ItemAt(i).Id)
            return fail(
                QStringLiteral("Cannot read %1: the items changed while read").arg(database));
        const QByteArray path = base + QFile::encodeName(layout.FilePath(i));
        if (!writeNewFile(path, fileOf(layout, i, rows, links)))
            return fail(
                QStringLiteral("Cannot write %1: %2").arg(QFile::decodeName(path), systemError()));
        if (progress && !progress(i + 1, total))
            return fail(QStringLiteral("Stopped"));
    }
    if (!reader.Error().isEmpty() || i != layout.Count())
        return fail(QStringLiteral("Cannot read %1: %2").arg(database, reader.Error()));
    if (!syncTree(build))
        return fail(QStringLiteral("Cannot write %1: %2")
                        .arg(QDir::toNativeSeparators(build), systemError()));
    // An empty folder at target is replaced; one that gained an entry meanwhile is not.
    if (std::rename(QFile::encodeName(build).constData(), QFile::encodeName(target).constData()) !=
        0)
        return fail(QStringLiteral("Cannot write %1: %2")
                        .arg(QDir::toNativeSeparators(target), systemError()));
    syncFolder(place);
    exported.Items = layout.Count();
    exported.Folders = layout.FolderCount();
    return true;
}
