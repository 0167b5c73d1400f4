// The review's ST segment over a recording of drawn beats whose ST segment
// falls by 0.15 mV for a while: the summary with the reference and the
// largest depression, the two median beats and the trend; the same beats
// drawn on paper with their marks where the arithmetic puts them.

#include "../common/stbeats.h"
#include "../common/teststorage.h"

#include "display/qplotgraphic.h"
#include "display/stbeatpaper.h"
#include "review/reviewst.h"
#include "storage/monitorsession.h"
#include "storage/tfilesignal.h"

#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QtTest>

class TestReviewSt : public QObject
{
    Q_OBJECT

    TestStorage storage;

private slots:
    void depressionInReview()
    {
        auto session = storage.startSession(storage.addPatient(QStringLiteral("Soler")),
                                            QDateTime(QDate(2024, 5, 6), QTime(9, 0)));
        const std::vector<int> drawn = StBeats::drawBeats(StBeats::BeatShape{}, 300, [](double t) {
            return t >= 150.0 && t < 250.0 ? -0.15 : 0.0;
        });
        const std::vector<qint16> samples(drawn.begin(), drawn.end());
        session->recording()->appendInterleaved(reinterpret_cast<const char *>(samples.data()),
                                                int(samples.size() * sizeof(qint16)));
        ReviewSt st;
        st.showRecording(session->recording()->path(), session->startDateTime);
        auto *summary = st.findChild<QLabel *>(QStringLiteral("lblSt"));
        QTRY_VERIFY_WITH_TIMEOUT(summary->text().startsWith(QStringLiteral("ST reference")), 20000);
        const QStringList lines = summary->text().split('\n');
        QCOMPARE(lines.size(), 3);
        QVERIFY2(lines[0].startsWith(QStringLiteral("ST reference: 0.0 mm")) && lines[0].endsWith("(J + 60 ms)"),
                 qPrintable(lines[0]));
        // The level of the last 10 s reaches the full depression about 5 s in.
        QVERIFY2(lines[1].startsWith(QStringLiteral("Largest depression: -1.")) && lines[1].contains(QStringLiteral("at 09:0"))
                     && lines[1].endsWith(QStringLiteral("HR 75")),
                 qPrintable(lines[1]));
        QCOMPARE(lines[2], QStringLiteral("No ST elevation"));
        QCOMPARE(st.trendPlot()->xMax(), 300.0);

        // Missing recordings and sessions without one show nothing.
        st.showRecording(storage.dir.filePath(QStringLiteral("missing.nvecg")), QDateTime());
        QTest::qWait(200);
        QVERIFY(summary->text().isEmpty());
    }

    void beatsOnPaper()
    {
        RecordingSt result;
        {
            TStRecordingAnalysis analysis;
            for (int v : StBeats::drawBeats(StBeats::BeatShape{-0.2}, 90))
                analysis.addSample(v);
            result = analysis.finish();
        }
        const QVector<stbeatpaper::Picture> pictures = ReviewSt::pictures(result, QDateTime(QDate(2024, 5, 6), QTime(9, 0)));
        QCOMPARE(pictures.size(), 2);
        QVERIFY2(pictures[0].caption.startsWith(QStringLiteral("Reference -2.")), qPrintable(pictures[0].caption));
        const TStMedianBeat &beat = pictures[0].beat;
        QVERIFY(beat.valid() && beat.j - beat.centre >= 8 && beat.j - beat.centre <= 12);
        QCOMPARE(beat.point - beat.j, 15);
        // 25 mm/s and 10 mm/mV: 6 samples are 0.6 mm; -0.2 mV is 2 mm below the baseline.
        QCOMPARE(stbeatpaper::sampleXMm(beat, beat.centre + 10) - stbeatpaper::sampleXMm(beat, beat.centre), 1.0);
        QCOMPARE(stbeatpaper::levelYMm(-200.0) - stbeatpaper::levelYMm(0.0), 2.0);

        // Drawn at 8 px/mm, the measurement mark is green at its place and
        // the trace is black at the depressed ST level.
        const double px = 8.0;
        QImage image((stbeatpaper::sizeMm(2) * px).toSize() + QSize(2, 2), QImage::Format_RGB32);
        image.fill(Qt::white);
        {
            QPainter painter(&image);
            stbeatpaper::draw(painter, QPointF(0, 0), px, pictures, QFont());
        }
        const double top = stbeatpaper::CaptionMm * px;
        const auto pixel = [&](double xMm, double yMm) { return image.pixelColor(int(xMm * px), int(top + yMm * px)); };
        const double pointX = stbeatpaper::sampleXMm(beat, beat.point);
        const QColor mark = pixel(pointX, stbeatpaper::levelYMm(beat.stUv) - 2.0);
        QVERIFY2(mark.green() > 100 && mark.red() < 60, qPrintable(mark.name()));
        int darkest = 255;
        for (double dy = -0.5; dy <= 0.5; dy += 0.25)
            darkest = std::min(darkest, pixel(stbeatpaper::sampleXMm(beat, beat.point + 8), stbeatpaper::levelYMm(-200.0) + dy).lightness());
        QVERIFY2(darkest < 80, qPrintable(QString::number(darkest)));
    }
};

QTEST_MAIN(TestReviewSt)
#include "tst_reviewst.moc"
