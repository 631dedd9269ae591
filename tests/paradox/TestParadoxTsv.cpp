#include "paradox/ParadoxTsv.h"

#include <QDate>
#include <QDateTime>
#include <QTest>

#include <cmath>
#include <limits>

Q_DECLARE_METATYPE(ParadoxType)

// How each kind of value stands in a --dump-table line.
class TestParadoxTsv : public QObject {
    Q_OBJECT
private slots:
    void writesEachValue_data() {
        QTest::addColumn<ParadoxType>("type");
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QString>("text");
        using P = ParadoxType;
        QTest::newRow("NULL alpha") << P::Alpha << QVariant() << "";
        QTest::newRow("NULL number") << P::Number << QVariant() << "";
        QTest::newRow("NULL logical") << P::Logical << QVariant() << "";
        QTest::newRow("escapes") << P::Memo << QVariant("a\\b\tc\r\nd\\n")
                                 << "a\\\\b\\tc\\r\\nd\\\\n";
        QTest::newRow("unicode") << P::Alpha << QVariant("Žluťoučký €") << "Žluťoučký €";
        QTest::newRow("short") << P::Short << QVariant(-32767) << "-32767";
        QTest::newRow("autoincrement") << P::AutoIncrement << QVariant(2147483647) << "2147483647";
        QTest::newRow("tenth") << P::Number << QVariant(0.1) << "0.1";
        QTest::newRow("whole") << P::Currency << QVariant(100.0) << "100";
        QTest::newRow("third") << P::Number << QVariant(1.0 / 3) << "0.3333333333333333";
        QTest::newRow("large") << P::Number << QVariant(1e21) << "1e+21";
        QTest::newRow("17 digits")
            << P::Number << QVariant(123456789012345678.0) << "123456789012345680";
        QTest::newRow("tiny") << P::Number << QVariant(5e-324) << "5e-324";
        QTest::newRow("negative zero") << P::Number << QVariant(-0.0) << "-0";
        QTest::newRow("true") << P::Logical << QVariant(true) << "true";
        QTest::newRow("false") << P::Logical << QVariant(false) << "false";
        QTest::newRow("date") << P::Date << QVariant(QDate(812, 3, 4)) << "0812-03-04";
        QTest::newRow("time") << P::Time << QVariant(QTime(7, 8, 9, 999)) << "07:08:09";
        QTest::newRow("timestamp")
            << P::Timestamp << QVariant(QDateTime(QDate(2024, 3, 31), QTime(1, 30, 0, 5), Qt::UTC))
            << "2024-03-31 01:30:00.005";
        QTest::newRow("BLOB") << P::Blob << QVariant(QByteArray("\0\x7f\xff", 3)) << "007fff";
    }
    void writesEachValue() {
        QFETCH(ParadoxType, type);
        QFETCH(QVariant, value);
        QFETCH(QString, text);
        ParadoxField field;
        field.type = type;
        QCOMPARE(TsvValue(field, value), text);
        // A number's text reads back as the very same number.
        if (type == ParadoxType::Number && value.isValid()) {
            const double back = text.toDouble();
            QCOMPARE(std::signbit(back), std::signbit(value.toDouble()));
            QVERIFY(back == value.toDouble());
        }
    }
};

QTEST_GUILESS_MAIN(TestParadoxTsv)
#include "TestParadoxTsv.moc"
