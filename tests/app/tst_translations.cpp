// Every user-visible text of the sources has a finished Spanish translation:
// the texts are collected afresh from the source folders into a copy of the
// committed translation file, and any text left unfinished is reported.

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTranslator>
#include <QXmlStreamReader>
#include <QtTest>

class TestTranslations : public QObject
{
    Q_OBJECT

private slots:
    void everySourceTextIsTranslated()
    {
        const QString lupdate = QStringLiteral(CARDIOLANE_LUPDATE);
        if (!QFileInfo(lupdate).isExecutable())
            QSKIP("lupdate is not available");
        const QDir sources(QStringLiteral(CARDIOLANE_SOURCE_DIR));
        QTemporaryDir temp;
        const QString collected = temp.filePath(QStringLiteral("collected_es.ts"));
        QVERIFY(QFile::copy(sources.filePath(QStringLiteral("translations/NorvaneCardiolane_es.ts")), collected));
        QFile::setPermissions(collected, QFile::ReadOwner | QFile::WriteOwner);
        QStringList arguments{QStringLiteral("-locations"), QStringLiteral("none"), QStringLiteral("-no-obsolete")};
        for (const char *folder : {"app", "acquisition", "config", "display", "monitoring", "patients", "review",
                                   "reports", "storage", "dsp"})
            if (sources.exists(QLatin1String(folder)))
                arguments << QLatin1String(folder);
        QProcess process;
        process.setWorkingDirectory(sources.path());
        process.start(lupdate, arguments << QStringLiteral("-ts") << collected);
        QVERIFY(process.waitForFinished(120000));
        QVERIFY2(process.exitCode() == 0, process.readAllStandardError().constData());

        // "context: source" of every message marked unfinished or left empty.
        QFile file(collected);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QXmlStreamReader xml(&file);
        QString context, source;
        QStringList missing;
        while (!xml.atEnd()) {
            if (xml.readNext() != QXmlStreamReader::StartElement)
                continue;
            if (xml.name() == QLatin1String("name"))
                context = xml.readElementText();
            else if (xml.name() == QLatin1String("source"))
                source = xml.readElementText();
            else if (xml.name() == QLatin1String("translation")) {
                const bool marked = !xml.attributes().value(QLatin1String("type")).isEmpty();
                const QString text = xml.readElementText(QXmlStreamReader::IncludeChildElements);
                if (marked || text.trimmed().isEmpty())
                    missing << QStringLiteral("%1: \"%2\"").arg(context, source);
            }
        }
        if (!missing.isEmpty())
            qWarning().noquote() << "Texts without a Spanish translation (run scripts/update-translations):\n"
                                        + missing.join(QLatin1Char('\n'));
        QVERIFY2(missing.isEmpty(), qPrintable(QStringLiteral("%1 texts untranslated").arg(missing.size())));
    }

    void compiledTranslationIsBesideProgram()
    {
        // Qt's catalog refers to its module catalogs, which must load with it.
        QTranslator qt, station;
        QVERIFY(qt.load(QStringLiteral("qt_es"), QStringLiteral(CARDIOLANE_BIN_DIR)));
        QCOMPARE(qt.translate("QPlatformTheme", "Cancel"), QStringLiteral("Cancelar"));
        QVERIFY(station.load(QStringLiteral("NorvaneCardiolane_es"), QStringLiteral(CARDIOLANE_BIN_DIR)));
        QVERIFY(!station.translate("MainWindow", "Session monitor").isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestTranslations)
#include "tst_translations.moc"
