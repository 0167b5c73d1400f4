// The session report's ST section: its lines from an analysis with a
// depression, from one without enough beats, and for sessions whose ECG is
// missing or unreadable; the median beats drawn only when there are some.

#include "../common/stbeats.h"

#include "reports/sessionreportst.h"

#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <QtTest>

class TestReportSt : public QObject
{
    Q_OBJECT

private slots:
    void summaryLines()
    {
        TStRecordingAnalysis analysis;
        for (int v : StBeats::drawBeats(StBeats::BeatShape{}, 240, [](double t) { return t >= 100.0 && t < 160.0 ? -0.2 : 0.0; }))
            analysis.addSample(v);
        const RecordingSt st = analysis.finish();
        const QDateTime start(QDate(2024, 5, 6), QTime(9, 0));
        const QStringList lines = reportvalues::stSummary(true, st, start).split('\n');
        QCOMPARE(lines.size(), 4);
        QVERIFY2(lines[0].startsWith(QStringLiteral("Referencia: 0,0 mm (J + 60 ms")), qPrintable(lines[0]));
        QVERIFY2(lines[1].startsWith(QStringLiteral("Mayor descenso: -2,")) && lines[1].contains(QStringLiteral("a las 09:01:"))
                     && lines[1].endsWith(QStringLiteral("FC 75 lpm")),
                 qPrintable(lines[1]));
        QCOMPARE(lines[2], QStringLiteral("Sin elevación del ST"));
        QCOMPARE(lines[3], QStringLiteral("Episodios de 0,1 mV durante 30 s o más: 1 de descenso, 0 de elevación"));

        QCOMPARE(reportvalues::stSummary(true, RecordingSt(), start),
                 QStringLiteral("Sin latidos suficientes para medir el segmento ST."));
        QCOMPARE(reportvalues::stSummary(false, RecordingSt(), start),
                 QStringLiteral("No se pudo leer el registro de ECG de la sesión."));
    }

    void sessionsWithoutAReadableRecording()
    {
        QTemporaryDir dir;
        QString text;
        SessionReportSt none{QString(), QDateTime()};
        QVERIFY(none.value(QStringLiteral("stSummary"), text));
        QCOMPARE(text, QStringLiteral("La sesión no tiene registro de ECG."));
        QVERIFY(!none.value(QStringLiteral("pvcTotal"), text));
        SessionReportSt missing(dir.filePath(QStringLiteral("missing.nvecg")), QDateTime());
        QVERIFY(missing.value(QStringLiteral("stSummary"), text));
        QCOMPARE(text, QStringLiteral("No se pudo leer el registro de ECG de la sesión."));
        // Nothing is drawn for it, but the name is taken.
        QImage image(200, 200, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        QVERIFY(missing.draw(QStringLiteral("stBeats"), painter, QRect(0, 0, 200, 200)));
        QVERIFY(!missing.draw(QStringLiteral("ecgGraphic/event"), painter, QRect(0, 0, 200, 200)));
        painter.end();
        QCOMPARE(image.pixelColor(100, 100), QColor(Qt::white));
    }
};

QTEST_MAIN(TestReportSt)
#include "tst_reportst.moc"
