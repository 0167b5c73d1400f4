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

struct Message
{
    QString context;
    QString source;
    QString type;
    QStringList translations;
};

QVector<Message> readMessages(const QString &path)
{
    QVector<Message> messages;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return messages;
    QXmlStreamReader xml(&file);
    QString context;
    Message message;
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement())
            continue;
        const QStringRef name = xml.name();
        if (name == QLatin1String("name")) {
            context = xml.readElementText();
        } else if (name == QLatin1String("message")) {
            message = Message{context, QString(), QString(), QStringList()};
        } else if (name == QLatin1String("source")) {
            message.source = xml.readElementText();
        } else if (name == QLatin1String("translation")) {
            message.type = xml.attributes().value(QLatin1String("type")).toString();
            // Plural forms hold one text per form; plain texts hold one text.
            QString text;
            while (!(xml.isEndElement() && xml.name() == QLatin1String("translation")) && !xml.atEnd()) {
                xml.readNext();
                if (xml.isCharacters())
                    text += xml.text();
                else if (xml.isStartElement() && xml.name() == QLatin1String("numerusform"))
                    text.clear();
                else if (xml.isEndElement() && xml.name() == QLatin1String("numerusform"))
                    message.translations.append(text);
            }
            if (message.translations.isEmpty())
                message.translations.append(text);
            messages.append(message);
        }
    }
    return messages;
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

    const QVector<Message> messages = readMessages(collected);
    QVERIFY(!messages.isEmpty());
    QStringList missing;
    for (const Message &message : messages) {
        if (message.type == QLatin1String("vanished") || message.type == QLatin1String("obsolete"))
            continue;
        bool finished = message.type.isEmpty();
        for (const QString &text : message.translations)
            finished = finished && !text.trimmed().isEmpty();
        if (!finished)
            missing.append(QStringLiteral("%1: \"%2\"").arg(message.context, message.source));
    }
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
