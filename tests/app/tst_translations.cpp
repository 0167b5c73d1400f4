// Every user-visible text of the sources has a finished Spanish translation:
// the texts are collected afresh from the source folders into a copy of the
// committed translation file, and any text left unfinished is reported.

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QtTest>

class TestTranslations : public QObject
{
    Q_OBJECT

private slots:
    void everySourceTextIsTranslated();
    void compiledTranslationIsBesideProgram();
};

namespace {

// "context: source" of every current message whose translation is unfinished
// or has an empty text (for plurals, an empty form).
QStringList unfinishedMessages(const QString &path)
{
    QStringList unfinished;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {QStringLiteral("cannot read ") + path};
    QXmlStreamReader xml(&file);
    QString context, source;
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement())
            continue;
        if (xml.name() == QLatin1String("name")) {
            context = xml.readElementText();
        } else if (xml.name() == QLatin1String("source")) {
            source = xml.readElementText();
        } else if (xml.name() == QLatin1String("translation")) {
            const QString type = xml.attributes().value(QLatin1String("type")).toString();
            if (type == QLatin1String("vanished") || type == QLatin1String("obsolete"))
                continue;
            QStringList forms;
            QString text;
            while (!(xml.isEndElement() && xml.name() == QLatin1String("translation")) && !xml.atEnd()) {
                xml.readNext();
                if (xml.isCharacters())
                    text += xml.text();
                else if (xml.isStartElement() && xml.name() == QLatin1String("numerusform"))
                    text.clear();
                else if (xml.isEndElement() && xml.name() == QLatin1String("numerusform"))
                    forms.append(text);
            }
            if (forms.isEmpty())
                forms.append(text);
            bool finished = type.isEmpty();
            for (const QString &form : forms)
                finished = finished && !form.trimmed().isEmpty();
            if (!finished)
                unfinished.append(QStringLiteral("%1: \"%2\"").arg(context, source));
        }
    }
    return unfinished;
}

} // namespace

void TestTranslations::everySourceTextIsTranslated()
{
    const QString lupdate = QStringLiteral(CARDIOLANE_LUPDATE);
    if (!QFileInfo(lupdate).isExecutable())
        QSKIP("lupdate is not available");
    const QDir sourceDir(QStringLiteral(CARDIOLANE_SOURCE_DIR));
    const QString committed = sourceDir.filePath(QStringLiteral("translations/NorvaneCardiolane_es.ts"));
    QVERIFY(QFileInfo::exists(committed));

    QTemporaryDir temp;
    QVERIFY(temp.isValid());
    const QString collected = temp.filePath(QStringLiteral("collected_es.ts"));
    QVERIFY(QFile::copy(committed, collected));
    QFile::setPermissions(collected, QFile::ReadOwner | QFile::WriteOwner);

    QStringList arguments{QStringLiteral("-locations"), QStringLiteral("none"), QStringLiteral("-no-obsolete")};
    for (const char *folder : {"app", "acquisition", "config", "display", "monitoring", "patients",
                               "review", "reports", "storage", "dsp"}) {
        if (sourceDir.exists(QLatin1String(folder)))
            arguments.append(QLatin1String(folder));
    }
    arguments << QStringLiteral("-ts") << collected;
    QProcess process;
    process.setWorkingDirectory(sourceDir.path());
    process.start(lupdate, arguments);
    QVERIFY(process.waitForFinished(120000));
    QVERIFY2(process.exitCode() == 0, process.readAllStandardError().constData());

    const QStringList missing = unfinishedMessages(collected);
    if (!missing.isEmpty())
        qWarning().noquote() << "Texts without a Spanish translation (run scripts/update-translations):\n"
                                    + missing.join(QLatin1Char('\n'));
    QVERIFY2(missing.isEmpty(), qPrintable(QStringLiteral("%1 texts untranslated").arg(missing.size())));
}

void TestTranslations::compiledTranslationIsBesideProgram()
{
    const QDir bin(QStringLiteral(CARDIOLANE_BIN_DIR));
    QVERIFY(bin.exists(QStringLiteral("NorvaneCardiolane_es.qm")));
    QVERIFY(bin.exists(QStringLiteral("qt_es.qm")));
    // Qt's catalog refers to its module catalogs, which must load with it.
    QTranslator qt;
    QVERIFY(qt.load(QStringLiteral("qt_es"), bin.path()));
    QCOMPARE(qt.translate("QPlatformTheme", "Cancel"), QStringLiteral("Cancelar"));
    QTranslator station;
    QVERIFY(station.load(QStringLiteral("NorvaneCardiolane_es"), bin.path()));
    QVERIFY(!station.translate("MainWindow", "Session monitor").isEmpty());
}

QTEST_GUILESS_MAIN(TestTranslations)
#include "tst_translations.moc"
