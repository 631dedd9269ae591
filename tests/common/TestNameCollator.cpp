#include "common/NameCollator.h"

#include "common/CommonState.h"
#include "support/TestFolder.h"

#include <QTest>

// How names compare: by the user's language, letters first, then accents, then case, then the
// characters' codes; the first letter of a name as printing groups by it; and which locale the
// program takes from the environment.
class TestNameCollator : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { ResetAllState(); }

    void keysOrderNames_data() {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<int>("order"); // -1: a before b, 0: same key, 1: a after b
        const QString AUml = QStringLiteral("\u00c4pfel"), aUml = QStringLiteral("\u00e4pfel");
        QTest::newRow("letters before case") << "de_DE" << AUml << "Apple" << -1;
        QTest::newRow("accent after the letters") << "de_DE"
                                                  << "apfel" << aUml << -1;
        QTest::newRow("lower case first") << "de_DE" << aUml << AUml << -1;
        QTest::newRow("accented e among the e's")
            << "en_GB" << QStringLiteral("\u00c9clair") << "zebra" << -1;
        QTest::newRow("umlaut after z in Swedish") << "sv_SE"
                                                   << "zebra" << AUml << -1;
        QTest::newRow("Latin before Cyrillic")
            << "en_GB"
            << "Zhuk" << QStringLiteral("\u0416\u0423\u041a") << -1;
        QTest::newRow("digits are characters") << "en_GB"
                                               << "10"
                                               << "9" << -1;
        QTest::newRow("digits before letters") << "en_GB"
                                               << "9"
                                               << "a" << -1;
        QTest::newRow("empty first") << "en_GB"
                                     << ""
                                     << "a" << -1;
        QTest::newRow("null is empty") << "en_GB" << QString() << "" << 0;
        // Canonically equal, yet two names: their characters' codes decide.
        QTest::newRow("composed or not")
            << "en_GB" << QStringLiteral("e\u0301") << QStringLiteral("\u00e9") << -1;
    }
    void keysOrderNames() {
        QFETCH(QString, locale);
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFETCH(int, order);
        const NameCollator collator(locale);
        const int c = collator.SortKey(a).compare(collator.SortKey(b));
        QCOMPARE((c > 0) - (c < 0), order);
    }

    void initialsAtTheFirstLevel_data() {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<bool>("same");
        QTest::newRow("case and accent")
            << "de_DE" << QStringLiteral("\u00c9clair") << "eclair" << true;
        QTest::newRow("accent apart")
            << "de_DE" << QStringLiteral("E\u0301clair") << QStringLiteral("\u00e9clair") << true;
        QTest::newRow("umlaut in German")
            << "de_DE" << QStringLiteral("\u00c4pfel") << "apfel" << true;
        QTest::newRow("umlaut in Swedish")
            << "sv_SE" << QStringLiteral("\u00c4pfel") << "apfel" << false;
        QTest::newRow("other letter") << "en_GB"
                                      << "Apple"
                                      << "Banana" << false;
        QTest::newRow("Cyrillic case") << "en_GB" << QStringLiteral("\u0436\u0443\u043a")
                                       << QStringLiteral("\u0416\u0423\u041a") << true;
        QTest::newRow("empty name") << "en_GB"
                                    << ""
                                    << "a" << false;
    }
    void initialsAtTheFirstLevel() {
        QFETCH(QString, locale);
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFETCH(bool, same);
        const NameCollator collator(locale);
        QCOMPARE(collator.InitialKey(a) == collator.InitialKey(b), same);
    }

    // Keys made for one locale are not taken for another's when the rules differ; a region
    // with the language's rules needs no new keys.
    void identityNamesTheRules() {
        QVERIFY(NameCollator("sv_SE").Identity() != NameCollator("de_DE").Identity());
        QCOMPARE(NameCollator("sv_SE").Identity(), NameCollator("sv").Identity());
    }

    void localeFromTheEnvironment_data() {
        QTest::addColumn<QString>("lcAll");
        QTest::addColumn<QString>("lcCollate");
        QTest::addColumn<QString>("lang");
        QTest::addColumn<QString>("locale");
        QTest::newRow("LANG") << ""
                              << ""
                              << "de_DE.UTF-8"
                              << "de_DE";
        QTest::newRow("LC_COLLATE over LANG") << ""
                                              << "sv_SE.UTF-8"
                                              << "en_GB.UTF-8"
                                              << "sv_SE";
        QTest::newRow("LC_ALL over both") << "fr_FR@euro"
                                          << "sv_SE"
                                          << "en_GB"
                                          << "fr_FR";
        QTest::newRow("C") << "C.UTF-8"
                           << "de_DE"
                           << ""
                           << "";
        QTest::newRow("POSIX") << ""
                               << "POSIX"
                               << "de_DE.UTF-8"
                               << "";
    }
    void localeFromTheEnvironment() {
        QFETCH(QString, lcAll);
        QFETCH(QString, lcCollate);
        QFETCH(QString, lang);
        QFETCH(QString, locale);
        QCOMPARE(CollationLocaleFrom(lcAll, lcCollate, lang), locale);
    }

    // The environment counts until a locale is chosen, and again once the choice is taken back;
    // the user's collator follows.
    void chosenLocaleOutranksTheEnvironment() {
        const bool hadAll = qEnvironmentVariableIsSet("LC_ALL");
        const bool hadCollate = qEnvironmentVariableIsSet("LC_COLLATE");
        const QByteArray savedAll = qgetenv("LC_ALL"), savedCollate = qgetenv("LC_COLLATE");
        qunsetenv("LC_ALL");
        qputenv("LC_COLLATE", "sv_SE.UTF-8");
        const QString fromEnvironment = CollationLocale();
        const QString userLocale = UserNameCollator().Locale();
        SetCollationLocale("de_DE");
        const QString chosen = CollationLocale();
        const QString chosenCollator = UserNameCollator().Locale();
        SetCollationLocale(QString());
        const QString back = CollationLocale();
        hadAll ? qputenv("LC_ALL", savedAll) : qunsetenv("LC_ALL");
        hadCollate ? qputenv("LC_COLLATE", savedCollate) : qunsetenv("LC_COLLATE");
        QCOMPARE(fromEnvironment, QString("sv_SE"));
        QCOMPARE(userLocale, QString("sv_SE"));
        QCOMPARE(chosen, QString("de_DE"));
        QCOMPARE(chosenCollator, QString("de_DE"));
        QCOMPARE(back, QString("sv_SE"));
    }
};

QTEST_GUILESS_MAIN(TestNameCollator)
#include "TestNameCollator.moc"
