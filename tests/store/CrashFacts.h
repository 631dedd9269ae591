#pragma once

#include "store/ItemStore.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>

// The lines the crash test's child writes on standard output, one per event, and the reading
// of them. Before an operation starts the child announces it with the one fact the operation
// will make true:
//
//     > <operation> <fact>
//
// and once the operation has returned (so its writes are committed) it confirms it:
//
//     < <id of the item it created, or 0>
//
// Fields are separated by tabs; texts are Base64 of their UTF-8, so that tabs and line breaks
// inside them never split a line.
struct CrashFact {
    // N: a new top-level item with Name, Tel and Text (its id comes with the confirmation)
    // I: item A has Name, Tel and Text
    // P: item A has the parent B (0 for none, A itself for a self-linked item)
    // X: item A is gone
    // L: the link across A-B with Drop is stored in both directions, with Note
    // U: the link across A-B with Drop is gone in both directions
    char Kind = 0;
    ItemId A;
    ItemId B;
    int Drop = 0;
    QString Name;
    QString Tel;
    QString Text;
    QString Note;
};

namespace CrashLines {

inline QByteArray Encode(const QString& text) {
    return text.toUtf8().toBase64();
}

inline QString Decode(const QByteArray& field) {
    return QString::fromUtf8(QByteArray::fromBase64(field));
}

// The announcement line of operation (a word without tabs) making fact true, with its newline.
inline QByteArray Announce(const char* operation, const CrashFact& f) {
    QList<QByteArray> fields{">", operation, QByteArray(1, f.Kind)};
    const auto number = [](qint64 n) { return QByteArray::number(n); };
    const auto id = [](ItemId n) { return QByteArray::number(n.Value()); };
    switch (f.Kind) {
    case 'N':
        fields << Encode(f.Name) << Encode(f.Tel) << Encode(f.Text);
        break;
    case 'I':
        fields << id(f.A) << Encode(f.Name) << Encode(f.Tel) << Encode(f.Text);
        break;
    case 'P':
        fields << id(f.A) << id(f.B);
        break;
    case 'X':
        fields << id(f.A);
        break;
    case 'L':
        fields << id(f.A) << id(f.B) << number(f.Drop) << Encode(f.Note);
        break;
    case 'U':
        fields << id(f.A) << id(f.B) << number(f.Drop);
        break;
    }
    return fields.join('\t') + '\n';
}

inline QByteArray Confirm(ItemId created) {
    return "<\t" + QByteArray::number(created.Value()) + '\n';
}

// Reads an announcement line (without its newline); false when it is not one.
inline bool ReadAnnouncement(const QByteArray& line, QByteArray& operation, CrashFact& f) {
    const QList<QByteArray> fields = line.split('\t');
    if (fields.size() < 3 || fields[0] != ">" || fields[2].size() != 1)
        return false;
    operation = fields[1];
    f = CrashFact();
    f.Kind = fields[2][0];
    const auto id = [&](int i) { return ItemId(fields[i].toInt()); };
    const QHash<char, int> sizes{{'N', 6}, {'I', 7}, {'P', 5}, {'X', 4}, {'L', 7}, {'U', 6}};
    if (fields.size() != sizes.value(f.Kind, -1))
        return false;
    switch (f.Kind) {
    case 'N':
        f.Name = Decode(fields[3]);
        f.Tel = Decode(fields[4]);
        f.Text = Decode(fields[5]);
        break;
    case 'I':
        f.A = id(3);
        f.Name = Decode(fields[4]);
        f.Tel = Decode(fields[5]);
        f.Text = Decode(fields[6]);
        break;
    case 'P':
        f.A = id(3);
        f.B = id(4);
        break;
    case 'X':
        f.A = id(3);
        break;
    case 'L':
    case 'U':
        f.A = id(3);
        f.B = id(4);
        f.Drop = fields[5].toInt();
        if (f.Kind == 'L')
            f.Note = Decode(fields[6]);
        break;
    }
    return true;
}

// Reads a confirmation line; false when it is not one.
inline bool ReadConfirmation(const QByteArray& line, ItemId& created) {
    const QList<QByteArray> fields = line.split('\t');
    if (fields.size() != 2 || fields[0] != "<")
        return false;
    bool ok = false;
    created = ItemId(fields[1].toInt(&ok));
    return ok;
}

} // namespace CrashLines
