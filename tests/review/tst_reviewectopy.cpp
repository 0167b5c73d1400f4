// The review's ventricular ectopy over a reference record with runs (when
// present): a result for a session no longer shown, sessions without a
// readable recording, the summary, the V beats and a chosen run.

#include "../common/referencerecord.h"
#include "../common/teststorage.h"

#include "display/qplotgraphic.h"
#include "review/reviewectopy.h"
#include "storage/monitorsession.h"
#include "storage/tfilesignal.h"

#include <QLabel>
#include <QSignalSpy>
#include <QTreeWidget>
#include <QtTest>

#include <algorithm>

class TestReviewEctopy : public QObject
{
    Q_OBJECT

    TestStorage storage;

    static QString summary(const ReviewEctopy &ectopy)
    {
        return ectopy.findChild<QLabel *>(QStringLiteral("lblEctopy"))->text();
    }

private slots:
    void runsOfAReferenceRecord()
    {
        const ReferenceData record = readReferenceRecord(QStringLiteral("mitdb203"), 10 * 60);
        REQUIRE_REFERENCE_DATA(record);
        const QByteArray &samples = record.bytes;
        auto session = storage.startSession(storage.addPatient(QStringLiteral("Vidal")),
                                            QDateTime(QDate(2024, 5, 6), QTime(9, 0)));
        session->recording()->appendInterleaved(samples.constData(), samples.size());
        const QString path = session->recording()->path();
        ReviewEctopy ectopy;
        QSignalSpy beats(&ectopy, &ReviewEctopy::ventricularBeatsChanged);
        QSignalSpy chosen(&ectopy, &ReviewEctopy::positionChosen);

        // A session left before its classification ends never shows it.
        ectopy.showRecording(path, session->startDateTime);
        ectopy.showRecording(storage.dir.filePath(QStringLiteral("missing.nvecg")), QDateTime());
        QTRY_COMPARE(summary(ectopy), QStringLiteral("The ECG recording of this session cannot be read."));
        QVERIFY(ectopy.ventricularBeats().isEmpty());
        // The live count stored with the session stands in for what it can.
        ectopy.showRecording(storage.dir.filePath(QStringLiteral("missing.nvecg")), QDateTime(), {0, 2, 0, 1});
        QTRY_VERIFY(summary(ectopy).startsWith(QStringLiteral(
            "The ECG recording of this session cannot be read.\nAs counted live:\nPVCs: 3 (2700 per hour)\n")));
        QVERIFY(summary(ectopy).endsWith(QStringLiteral("\nCouplets and runs need the ECG recording.")));
        QCOMPARE(ectopy.trendPlot()->xMax(), 4.0);
        ectopy.showRecording(QString(), QDateTime());
        QCOMPARE(summary(ectopy), QStringLiteral("This session has no ECG recording."));

        ectopy.showRecording(path, session->startDateTime);
        QTRY_VERIFY_WITH_TIMEOUT(!ectopy.ventricularBeats().isEmpty(), 20000);
        QCOMPARE(beats.last().first().value<QVector<qint64>>(), ectopy.ventricularBeats());
        QVERIFY(summary(ectopy).startsWith(QStringLiteral("PVCs: %1 (").arg(ectopy.ventricularBeats().size())));
        QCOMPARE(ectopy.trendPlot()->xMax(), 600.0);
        // The busiest minute is told from the second of its first V beat.
        const QRegularExpressionMatch most =
            QRegularExpression(QStringLiteral("Most in a minute: (\\d+), from 09:(\\d\\d):(\\d\\d)")).match(summary(ectopy));
        QVERIFY2(most.hasMatch(), qPrintable(summary(ectopy)));
        const qint64 second = most.captured(2).toInt() * 60 + most.captured(3).toInt();
        const auto inMinute = [&](qint64 from) {
            return std::count_if(ectopy.ventricularBeats().begin(), ectopy.ventricularBeats().end(),
                                 [from](qint64 i) { return i >= from && i < from + 60 * 250; });
        };
        const auto first = std::find_if(ectopy.ventricularBeats().begin(), ectopy.ventricularBeats().end(),
                                        [second](qint64 i) { return i >= second * 250; });
        QVERIFY(first != ectopy.ventricularBeats().end());
        QVERIFY(*first < (second + 1) * 250);
        QCOMPARE(int(inMinute(*first)), most.captured(1).toInt());

        // A run's ECG starts a second before its first beat, a V beat.
        auto *runs = ectopy.findChild<QTreeWidget *>(QStringLiteral("treeRuns"));
        QVERIFY(runs->topLevelItemCount() > 0);
        QVERIFY(runs->topLevelItem(0)->text(0).startsWith(QStringLiteral("09:")));
        runs->setCurrentItem(runs->topLevelItem(0));
        QCOMPARE(chosen.size(), 1);
        const qint64 runStart = qRound64((chosen.last().first().toDouble() + 1.0) * 250);
        QVERIFY(ectopy.ventricularBeats().contains(runStart));
    }
};

QTEST_MAIN(TestReviewEctopy)
#include "tst_reviewectopy.moc"
