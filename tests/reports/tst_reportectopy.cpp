// The ventricular ectopy the reports print: the section's texts from
// statistics worked out by hand, the session report over a recording with
// and without ventricular runs, and the summary report's beats per hour.

#include "dsp/recordingectopy.h"
#include "dsp/tsyntheticecg.h"
#include "reports/sessionreport.h"
#include "reports/sessionreportectopy.h"
#include "reports/summaryreportectopy.h"
#include "storage/monitorsession.h"
#include "storage/tfilesignal.h"

#include "../common/teststorage.h"

#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QtTest>

using namespace reportvalues;

namespace {

const QDateTime Start(QDate(2024, 3, 4), QTime(10, 0));

VentricularRun run(qint64 start, int beats, int rate)
{
    return {start, start + 100 * (beats - 1), beats, rate};
}

bool anyDark(const QImage &image)
{
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qGray(image.pixel(x, y)) < 100)
                return true;
    return false;
}

} // namespace

class TestReportEctopy : public QObject
{
    Q_OBJECT

    TestStorage storage;

    // A session whose recording holds `samples`.
    std::unique_ptr<MonitorSession> sessionWith(const std::vector<qint16> &samples)
    {
        std::unique_ptr<MonitorSession> session = storage.startSession(storage.addPatient(QStringLiteral("Ruiz")), Start);
        session->recording()->appendInterleaved(samples.data(), int(samples.size() * 2));
        return session;
    }

    // The longest-run strip as the report draws it on 185 x 25 mm of paper.
    static QImage runStrip(SessionReport &report)
    {
        QImage image(1850, 250, QImage::Format_RGB32);
        image.setDotsPerMeterX(10000);
        image.setDotsPerMeterY(10000);
        image.fill(Qt::white);
        QPainter painter(&image);
        report.draw(0, QStringLiteral("ecgGraphic/longestRun"), painter, image.rect(), 0);
        return image;
    }

private slots:
    void sectionTexts()
    {
        EctopyStatistics s;
        s.pvcTotal = 41;
        s.pvcPerHour = 81.6;
        s.maxPerMinute = 7;
        s.maxMinuteStart = 250 * 125; // 10:02:05
        s.couplets = 2;
        for (int i = 0; i < 14; ++i)
            s.runs.push_back(run(250 * 60 * (i + 1), i == 3 ? 6 : 3, 140));
        s.longestRun = 3;
        QMap<QString, QString> v = ectopyValues(EctopySource::Classified, s, 250, Start);
        QCOMPARE(v.value("pvcTotal"), QStringLiteral("41"));
        QCOMPARE(v.value("pvcPerHour"), QStringLiteral("82"));
        QCOMPARE(v.value("pvcMaxPerMinute"), QStringLiteral("7 (desde las 10:02:05)"));
        QCOMPARE(v.value("pvcCouplets"), QStringLiteral("2"));
        QCOMPARE(v.value("pvcRunCount"), QStringLiteral("14"));
        QVERIFY(v.value("pvcRuns").startsWith(QStringLiteral("10:01:00 (3 latidos, 140 lpm); 10:02:00")));
        QVERIFY(v.value("pvcRuns").endsWith(QStringLiteral("10:12:00 (3 latidos, 140 lpm); y 2 rachas más")));
        QCOMPARE(v.value("pvcStripLabel"), QStringLiteral("Racha más larga: 6 latidos a 140 lpm, 10:04:00"));

        v = ectopyValues(EctopySource::Classified, EctopyStatistics(), 250, Start);
        QCOMPARE(v.value("pvcMaxPerMinute"), QStringLiteral("0"));
        QCOMPARE(v.value("pvcRuns"), QStringLiteral("Sin rachas de 3 o más extrasístoles ventriculares."));
        QVERIFY(v.value("pvcStripLabel").isEmpty());

        v = ectopyValues(EctopySource::NoRecording, s, 250, Start);
        QCOMPARE(v.value("pvcTotal"), QStringLiteral("---"));
        QCOMPARE(v.value("pvcRuns"), QStringLiteral("La sesión no tiene registro de ECG."));
        QVERIFY(v.value("pvcStripLabel").isEmpty());
        v = ectopyValues(EctopySource::Unreadable, s, 250, Start);
        QCOMPARE(v.value("pvcRuns"), QStringLiteral("No se pudo leer el registro de ECG de la sesión."));
    }

    void sessionWithoutRunOrRecording()
    {
        // Two minutes of regular beats: no ventricular beat, no strip.
        std::unique_ptr<MonitorSession> regular =
            sessionWith(TSyntheticEcg(TSyntheticEcgOptions()).generate(std::vector<double>(120, 70.0)));
        SessionReport report(*storage.database, *regular);
        QCOMPARE(report.value(0, QStringLiteral("pvcTotal"), 0), QStringLiteral("0"));
        QCOMPARE(report.value(0, QStringLiteral("pvcStripLabel"), 0), QString());
        QVERIFY(!anyDark(runStrip(report)));
        // The run's strip never counts among the event strips.
        QCOMPARE(report.engine().recordCounts().first(), 0);

        std::unique_ptr<MonitorSession> empty = sessionWith({});
        SessionReport none(*storage.database, *empty);
        QCOMPARE(none.value(0, QStringLiteral("pvcRuns"), 0), QStringLiteral("La sesión no tiene registro de ECG."));
        QVERIFY(!anyDark(runStrip(none)));
    }

    void sessionWithRuns()
    {
        const QString dat = QStringLiteral(CARDIOLANE_SHARED_DATA "/ectopy/mitdb203.dat.xz");
        if (!QFile::exists(dat) || QStandardPaths::findExecutable("xz").isEmpty())
            QSKIP("reference ectopy records not available");
        QProcess xz;
        xz.start(QStringLiteral("xz"), {"-dc", dat});
        QVERIFY(xz.waitForFinished(60000) && xz.exitCode() == 0);
        const QByteArray bytes = xz.readAllStandardOutput().left(10 * 60 * 250 * 2);
        std::vector<qint16> samples(size_t(bytes.size() / 2));
        memcpy(samples.data(), bytes.constData(), samples.size() * 2);
        std::unique_ptr<MonitorSession> session = sessionWith(samples);

        const EctopyStatistics s = analyseRecording(*session->recording()).statistics;
        QVERIFY(s.longestRun >= 0);
        SessionReport report(*storage.database, *session);
        QCOMPARE(report.value(0, QStringLiteral("pvcTotal"), 0), QString::number(s.pvcTotal));
        QCOMPARE(report.value(0, QStringLiteral("pvcRunCount"), 0), QString::number(s.runs.size()));
        QVERIFY(report.value(0, QStringLiteral("pvcStripLabel"), 0).startsWith(QStringLiteral("Racha más larga: ")));
        QVERIFY(anyDark(runStrip(report)));

        // The summary's beats per hour come from the same classification;
        // a recording that cannot be read gives no point.
        const HistorySeries perHour = pvcPerHourHistory(
            {{3, session->recording()->path()}, {4, storage.dir.filePath(QStringLiteral("missing.nvecg"))}});
        QCOMPARE(perHour.size(), 1);
        QCOMPARE(perHour[0].x, 3);
        QCOMPARE(perHour[0].y, s.pvcPerHour);
    }

    void perHourAxisGrowsInWholeSteps()
    {
        QCOMPARE(pvcPerHourAxisMaximum({}, 60.0), 60.0);
        QCOMPARE(pvcPerHourAxisMaximum({{1, 60.0}, {2, 12.0}}, 60.0), 60.0);
        QCOMPARE(pvcPerHourAxisMaximum({{1, 130.0}}, 60.0), 180.0);
    }
};

QTEST_MAIN(TestReportEctopy)
#include "tst_reportectopy.moc"
