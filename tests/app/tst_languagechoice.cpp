// When the Spanish translations are installed: by default yes; English when
// asked for on the command line or through LANGUAGE.

#include "app/languagechoice.h"

#include <QtTest>

class TestLanguageChoice : public QObject
{
    Q_OBJECT

private slots:
    void wantsSpanish_data();
    void wantsSpanish();
};

void TestLanguageChoice::wantsSpanish_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("language");
    QTest::addColumn<bool>("spanish");

    const QString program = QStringLiteral("cardiolane");
    QTest::newRow("nothing asked") << QStringList{program} << QByteArray() << true;
    QTest::newRow("LANGUAGE=en") << QStringList{program} << QByteArray("en") << false;
    QTest::newRow("LANGUAGE=es_ES:en") << QStringList{program} << QByteArray("es_ES:en") << true;
    QTest::newRow("LANGUAGE=eng is no English code") << QStringList{program} << QByteArray("eng") << true;
    QTest::newRow("--lang=es beats LANGUAGE") << QStringList{program, "--lang=es"} << QByteArray("en") << true;
    QTest::newRow("last --lang counts") << QStringList{program, "--lang=en", "--lang=es"} << QByteArray() << true;
    QTest::newRow("--lang without value") << QStringList{program, "--lang"} << QByteArray("en") << false;
    QTest::newRow("program name is no option") << QStringList{"--lang=en"} << QByteArray() << true;
}

void TestLanguageChoice::wantsSpanish()
{
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, language);
    QFETCH(bool, spanish);
    QCOMPARE(LanguageChoice::wantsSpanish(arguments, language), spanish);
}

QTEST_APPLESS_MAIN(TestLanguageChoice)
#include "tst_languagechoice.moc"
