// The ventricular ectopy the reports print: the section's texts from
// statistics worked out by hand, the session report without a recording and
// over a reference record with runs, and the summary report's beats per hour.

#include "../common/referencerecord.h"
#include "../common/teststorage.h"

#include "reports/sessionreport.h"
#include "reports/summaryreportectopy.h"
#include "storage/monitorsession.h"
#include "storage/tfilesignal.h"

#include <QPainter>
#include <QtTest>

using namespace reportvalues;

class TestReportEctopy : public QObject
{
    Q_OBJECT

    TestStorage storage;
    const QDateTime start{QDate(2024, 3, 4), QTime(10, 0)};

    std::unique_ptr<MonitorSession> sessionWith(const QByteArray &samples)
    {
        auto session = storage.startSession(storage.addPatient(QStringLiteral("Ruiz")), start);
        session->recording()->appendInterleaved(samples.constData(), samples.size());
        return session;
    }

    // Whether the report draws anything for the longest run.
    static bool drawsRunStrip(SessionReport &report)
    {
        QImage image(800, 100, QImage::Format_RGB32);
        image.fill(Qt::white);
        const QImage blank = image.copy();
        QPainter painter(&image);
        report.draw(0, QStringLiteral("ecgGraphic/longestRun"), painter, image.rect(), 0);
        painter.end();
        return image != blank;
    }

private slots:
    void sectionTexts()
    {
        // Fourteen runs, the fourth of them fast enough to be a tachycardia.
        EctopyStatistics s{41, 7, 250 * 125, 2, {}, 3, 81.6, 1};
        for (int i = 0; i < 14; ++i)
            s.runs.push_back({250 * 60 * (i + 1), 0, i == 3 ? 6 : 3, i == 3 ? 140 : 90, i == 3});
        QMap<QString, QString> v = ectopyValues(EctopySource::Classified, s, 250, start);
        QCOMPARE(QStringList({v["pvcTotal"], v["pvcPerHour"], v["pvcMaxPerMinute"], v["pvcCouplets"], v["pvcRunCount"]}),
                 QStringList({"41", "82", "7 (desde las 10:02:05)", "2", "14 (1 TV)"}));
        QVERIFY(v["pvcRuns"].contains(QStringLiteral("10:04:00 (6 latidos, 140 lpm, TV); 10:05:00 (3 latidos, 90 lpm);")));
        QVERIFY(v["pvcRuns"].endsWith(QStringLiteral("10:12:00 (3 latidos, 90 lpm); y 2 rachas más")));
        QCOMPARE(v["pvcStripLabel"], QStringLiteral("Racha más larga: 6 latidos a 140 lpm, 10:04:00"));

        QCOMPARE(ectopyValues(EctopySource::Classified, EctopyStatistics(), 250, start)["pvcRuns"],
                 QStringLiteral("Sin rachas de 3 o más extrasístoles ventriculares."));
        v = ectopyValues(EctopySource::LiveCount, countedStatistics({0, 2, 0, 1}, 250), 250, start);
        QCOMPARE(QStringList({v["pvcTotal"], v["pvcPerHour"], v["pvcMaxPerMinute"], v["pvcCouplets"], v["pvcRunCount"]}),
                 QStringList({"3", "2700", "3 (desde las 10:00:01)", "---", "---"}));
        v = ectopyValues(EctopySource::Unreadable, s, 250, start);
        QCOMPARE(QStringList({v["pvcTotal"], v["pvcRuns"], v["pvcStripLabel"]}),
                 QStringList({"---", "No se pudo leer el registro de ECG de la sesión.", ""}));
    }

    void sessionWithoutRecording()
    {
        auto empty = sessionWith(QByteArray());
        SessionReport report(*storage.database, *empty);
        QCOMPARE(report.value(0, QStringLiteral("pvcRuns"), 0), QStringLiteral("La sesión no tiene registro de ECG."));
        QVERIFY(!drawsRunStrip(report));
        // The run's strip never counts among the event strips.
        QCOMPARE(report.engine().recordCounts().first(), 0);
    }

    void sessionWithRuns()
    {
        const ReferenceData record = readReferenceRecord(QStringLiteral("mitdb203"), 10 * 60);
        REQUIRE_REFERENCE_DATA(record);
        const QByteArray &samples = record.bytes;
        auto session = sessionWith(samples);
        SessionReport report(*storage.database, *session);
        // The experts count 157 ventricular beats in these ten minutes, many
        // of them hard to tell; the report prints the station's own count,
        // which finds most of them and not many more, and six times it as
        // the rate per hour.
        const int total = report.value(0, QStringLiteral("pvcTotal"), 0).toInt();
        QVERIFY2(total >= 157 / 2, qPrintable(QString::number(total)));
        QVERIFY2(total <= 157 + 16, qPrintable(QString::number(total)));
        QCOMPARE(report.value(0, QStringLiteral("pvcPerHour"), 0), QString::number(total * 6));
        QVERIFY(report.value(0, QStringLiteral("pvcStripLabel"), 0).startsWith(QStringLiteral("Racha más larga: ")));
        QVERIFY(drawsRunStrip(report));

        // The summary's rate per hour, from the same classification; an
        // unreadable recording gives the rate of the live count, or no point
        // without one, and the axis grows in steps.
        const QString missing = storage.dir.filePath(QStringLiteral("missing.nvecg"));
        const HistorySeries perHour =
            pvcPerHourHistory({{3, session->recording()->path(), {}}, {4, missing, {}}, {5, missing, {0, 1}}});
        QCOMPARE(perHour.size(), 2);
        QCOMPARE(perHour[0].x, 3);
        QCOMPARE(perHour[0].y, total * 6.0);
        QCOMPARE(perHour[1].y, 1800.0);
        QCOMPARE(pvcPerHourAxisMaximum({{1, 60.0}}, 60.0), 60.0);
        QCOMPARE(pvcPerHourAxisMaximum({{1, 130.0}, {2, 5.0}}, 60.0), 180.0);
    }
};

QTEST_MAIN(TestReportEctopy)
#include "tst_reportectopy.moc"
