#include "common/SafeFileNames.h"

#include <QTest>
#include <QTextBoundaryFinder>

// Item names made into names of files and folders that every common file system takes, and
// kept apart within a folder however the file system compares them.
class TestSafeFileNames : public QObject {
    Q_OBJECT

    static int bytes(const QString& s) { return int(s.toUtf8().size()); }

private slots:
    void plainNames_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("suffix");
        QTest::addColumn<QString>("expected");
        const QString md = QStringLiteral(".md");
        QTest::newRow("as it is") << "Smith, Anna" << md << "Smith, Anna.md";
        QTest::newRow("folder") << "Projects 2024" << QString() << "Projects 2024";
        QTest::newRow("refused characters")
            << "a<b>c:d\"e/f\\g|h?i*j" << md << "a_b_c_d_e_f_g_h_i_j.md";
        QTest::newRow("control characters")
            << QString("tab\there\nnew\x7f") + QChar(0x85) + "end" << md << "tab_here_new__end.md";
        QTest::newRow("trailing dots and blanks") << "Notes. . " << QString() << "Notes";
        QTest::newRow("blanks at the start") << "   Plans" << md << "Plans.md";
        QTest::newRow("leading dot") << ".profile" << md << "_profile.md";
        QTest::newRow("dots only") << "..." << QString() << "_";
        QTest::newRow("empty") << "" << md << "untitled.md";
        QTest::newRow("blanks only") << " \t " << md << "untitled.md";
        QTest::newRow("device") << "CON" << md << "CON_.md";
        QTest::newRow("device in lower case") << "nul" << QString() << "nul_";
        QTest::newRow("device before an extension") << "con.txt" << md << "con_.txt.md";
        QTest::newRow("device and a blank") << "Aux .x" << md << "Aux_ .x.md";
        QTest::newRow("port") << "Lpt9" << md << "Lpt9_.md";
        QTest::newRow("port with a superscript")
            << QString("COM") + QChar(0x00b9) << md << QString("COM") + QChar(0x00b9) + "_.md";
        QTest::newRow("console input") << "CONIN$" << md << "CONIN$_.md";
        QTest::newRow("longer than a device") << "CONSOLE" << md << "CONSOLE.md";
        QTest::newRow("device inside a name") << "aux file" << md << "aux file.md";
        QTest::newRow("one Unicode form") << QString("Cafe\u0301") << md << QString("Caf\u00e9.md");
        QTest::newRow("cut leaves a device") << "PRN" + QString(120, ' ') + "x" << md << "PRN_.md";
    }
    void plainNames() {
        QFETCH(QString, name);
        QFETCH(QString, suffix);
        QFETCH(QString, expected);
        QCOMPARE(SafeFileNames::Plain(name, suffix), expected);
    }

    // Long names are cut to the limit with their suffix, between whole characters as a reader
    // counts them: a flag or an accented letter is never split.
    void longNamesAreCutBetweenCharacters_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("unit"); // the character the name repeats
        QTest::newRow("ASCII") << QString(120, 'a') << "a";
        QTest::newRow("two-byte letters") << QString(70, QChar(0xe9)) << QString(QChar(0xe9));
        const QString flag = QString::fromUcs4(U"\U0001F1E9\U0001F1EA");
        QTest::newRow("flags") << flag.repeated(20) << flag;
        // One mark composes with the letter, the other stays a mark of its own.
        const QString marked = QStringLiteral("o\u0308\u0301");
        QTest::newRow("letters with two marks")
            << marked.repeated(30) << marked.normalized(QString::NormalizationForm_C);
    }
    void longNamesAreCutBetweenCharacters() {
        QFETCH(QString, name);
        QFETCH(QString, unit);
        for (const QString& suffix : {QStringLiteral(".md"), QString()}) {
            const QString safe = SafeFileNames::Plain(name, suffix);
            QVERIFY2(bytes(safe) <= SafeFileNames::MaxNameBytes, qPrintable(safe));
            // As many whole characters as fit: one more would not.
            const QString stem = safe.chopped(suffix.size());
            QCOMPARE(stem, unit.repeated(stem.size() / unit.size()));
            QVERIFY(bytes(safe) + bytes(unit) > SafeFileNames::MaxNameBytes);
        }
    }

    // A single character longer than the room is cut between its code points.
    void oneHugeCharacter() {
        const QString name = QStringLiteral("e") + QString(200, QChar(0x0301));
        const QString safe = SafeFileNames::Plain(name, QStringLiteral(".md"));
        // The first mark composes with the e; then 47 marks of two bytes fit the 97 left.
        QCOMPARE(bytes(safe), 2 + 47 * 2 + 3);
        QCOMPARE(safe, QChar(0xe9) + QString(47, QChar(0x0301)) + ".md");
    }

    // Within one folder the first to claim a name has it; every later entry that a file system
    // could confuse with it (case, Unicode form, a file against a folder, a name made safe, the
    // folder's own index) gets its id, and a name that already ends in that id a second number.
    void clashesGetTheirIds() {
        SafeFileNames folder;
        folder.Reserve(QStringLiteral("index.md"));
        QCOMPARE(folder.Claim("Smith", ".md", 1), QString("Smith.md"));
        QCOMPARE(folder.Claim("SMITH", ".md", 7), QString("SMITH (7).md"));
        QCOMPARE(folder.Claim(QString("Caf\u00e9"), "", 2), QString("Caf\u00e9"));
        QCOMPARE(folder.Claim(QString("CAFE\u0301"), "", 3), QString("CAF\u00c9 (3)"));
        QCOMPARE(folder.Claim("Notes.md", "", 4), QString("Notes.md"));
        QCOMPARE(folder.Claim("notes", ".md", 5), QString("notes (5).md"));
        QCOMPARE(folder.Claim("a/b", ".md", 6), QString("a_b.md"));
        QCOMPARE(folder.Claim("a:b", ".md", 8), QString("a_b (8).md"));
        QCOMPARE(folder.Claim("Index", ".md", 9), QString("Index (9).md"));
        QCOMPARE(folder.Claim("index", "", 10), QString("index")); // a folder beside index.md
        QCOMPARE(folder.Claim("Smith (42)", ".md", 11), QString("Smith (42).md"));
        QCOMPARE(folder.Claim("Smith", ".md", 42), QString("Smith (42-2).md"));
        QCOMPARE(folder.Claim("smith. ", ".md", 12), QString("smith (12).md"));

        // Another folder has names of its own.
        SafeFileNames other;
        QCOMPARE(other.Claim("Smith", ".md", 7), QString("Smith.md"));
    }

    // A long name with its id still fits the limit, the id whole.
    void longClashesKeepTheirIds() {
        SafeFileNames folder;
        const QString name(150, QChar(0xe9));
        const QString first = folder.Claim(name, ".md", 1);
        const QString second = folder.Claim(name, ".md", 123456);
        QVERIFY(second.endsWith(" (123456).md"));
        QVERIFY(bytes(first) <= SafeFileNames::MaxNameBytes);
        QVERIFY(bytes(second) <= SafeFileNames::MaxNameBytes);
        QVERIFY(first != second);
    }
};

QTEST_GUILESS_MAIN(TestSafeFileNames)
#include "TestSafeFileNames.moc"
