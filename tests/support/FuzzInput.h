#pragma once

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QRandomGenerator>
#include <QString>

#include <cstdio>
#include <cstring>

#include <signal.h>
#include <unistd.h>

// Inputs for the fuzz tests of the readers of files and texts from outside the program: good
// inputs changed at random, and random bytes, all from a fixed seed so that a failing round is
// found again by its number.
class FuzzInput {
public:
    // tokens: pieces that mean something to the reader under test ("[", "=", a key name), put
    // in at random places besides the generic ones.
    FuzzInput(quint64 seed, QList<QByteArray> tokens) : random(seed), tokens(std::move(tokens)) {
        static const QList<QByteArray> generic{QByteArray(1, '\0'),
                                               "\r",
                                               "\n",
                                               "\r\n",
                                               "\xff",
                                               "\xef\xbb\xbf",
                                               "\xc3",
                                               "\xed\xa0\x80",
                                               "-",
                                               "+",
                                               " ",
                                               "\t",
                                               "0",
                                               "2147483647",
                                               "2147483648",
                                               "-2147483649",
                                               "99999999999999999999",
                                               QByteArray(5000, 'x')};
        this->tokens += generic;
    }

    // One input: most of the time a base changed in one to eight places, sometimes random
    // bytes of any length up to maxRandomSize.
    QByteArray Next(const QList<QByteArray>& bases, int maxRandomSize = 2048) {
        if (random.bounded(5) == 0)
            return RandomBytes(maxRandomSize);
        return Mutate(bases[int(random.bounded(qint64(bases.size())))]);
    }

    QByteArray RandomBytes(int maxSize) {
        QByteArray bytes(int(random.bounded(maxSize + 1)), Qt::Uninitialized);
        for (char& c : bytes)
            c = char(random.bounded(256));
        return bytes;
    }

    QByteArray Mutate(QByteArray b) {
        const int edits = 1 + int(random.bounded(8));
        for (int e = 0; e < edits; ++e) {
            const int at = Position(b);
            switch (random.bounded(8)) {
            case 0: // one bit turned over
                if (at < b.size())
                    b[at] = char(b[at] ^ char(1 << random.bounded(8)));
                break;
            case 1: // one byte replaced
                if (at < b.size())
                    b[at] = char(random.bounded(256));
                break;
            case 2: // random bytes put in
                b.insert(at, RandomBytes(8));
                break;
            case 3: // a stretch taken out
                b.remove(at, int(random.bounded(32)));
                break;
            case 4: // a stretch repeated
                b.insert(at, b.mid(Position(b), int(random.bounded(64))));
                break;
            case 5: // cut short
                b.truncate(at);
                break;
            default: // a meaningful piece put in
                b.insert(at, tokens[int(random.bounded(qint64(tokens.size())))]);
                break;
            }
        }
        return b;
    }

    quint32 Bounded(quint32 n) { return random.bounded(n); }

private:
    int Position(const QByteArray& b) { return int(random.bounded(qint64(b.size()) + 1)); }

    QRandomGenerator random;
    QList<QByteArray> tokens;
};

// Bounds one call of a reader: a call that has not returned when the bound runs out ends the
// test program with a message naming the round, instead of letting it hang until the test's
// time limit. One at a time.
class FuzzCallBound {
public:
    static constexpr unsigned Seconds = 10;

    FuzzCallBound(const char* test, int round) {
        std::snprintf(message, sizeof message,
                      "%s: round %d did not return within %u s: the reader hangs\n", test, round,
                      Seconds);
        struct sigaction action {};
        action.sa_handler = &Expired;
        sigaction(SIGALRM, &action, nullptr);
        alarm(Seconds);
    }
    ~FuzzCallBound() { alarm(0); }
    FuzzCallBound(const FuzzCallBound&) = delete;
    FuzzCallBound& operator=(const FuzzCallBound&) = delete;

private:
    static void Expired(int) {
        const ssize_t written = write(STDERR_FILENO, message, std::strlen(message));
        (void)written;
        _exit(3);
    }
    static inline char message[200] = {};
};

// The whole of a file, empty when it cannot be read.
inline QByteArray ReadFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Writes bytes as a new file each time: truncating one the disk has not written yet would make
// the file system write it out first, at a cost that dwarfs the read.
inline bool WriteFile(const QString& path, const QByteArray& bytes) {
    QFile::remove(path);
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

// Whether an INI file has a line naming key (in any letter case) whose value after the '=' is
// the number n, as the settings readers take numbers: the oracle of the fuzz tests of those
// files. Sections are not looked at.
inline bool IniLineHoldsNumber(const QByteArray& file, const QByteArray& key, int n) {
    QByteArray lines = file;
    lines.replace('\r', '\n');
    for (const QByteArray& line : lines.split('\n')) {
        const int k = int(line.toUpper().indexOf(key));
        const int eq = k < 0 ? -1 : int(line.indexOf('=', k + key.size()));
        if (eq < 0)
            continue;
        const QByteArray value = line.mid(eq + 1);
        for (const QString& text : {QString::fromLatin1(value), QString::fromUtf8(value)}) {
            bool ok = false;
            if (text.trimmed().toInt(&ok, 10) == n && ok)
                return true;
        }
    }
    return false;
}

// Whether an INI file has a line naming key whose value is a number other than 0: how the
// settings readers take a switch to be on.
inline bool IniLineSaysOn(const QByteArray& file, const QByteArray& key) {
    QByteArray lines = file;
    lines.replace('\r', '\n');
    for (const QByteArray& line : lines.split('\n'))
        if (line.toUpper().contains(key) && line.contains('=') && !IniLineHoldsNumber(line, key, 0))
            return true;
    return false;
}
