// The review's ventricular ectopy: what it says of a session without a
// readable recording, that a result computed for a session no longer shown
// never replaces the newer one, and a recording with runs (a reference
// record, when present): its summary, its V beats and choosing a run.

#include "../common/teststorage.h"

#include "display/qplotgraphic.h"
#include "review/reviewectopy.h"
#include "storage/monitorsession.h"
#include "storage/tfilesignal.h"

#include <QLabel>
#include <QProcess>
#include <QSignalSpy>
#include <QTreeWidget>
#include <QtTest>

class TestReviewEctopy : public QObject
{
    Q_OBJECT

    TestStorage storage;

    // A recorded session of the first minutes of a reference record; null when absent.
    std::unique_ptr<MonitorSession> referenceSession(int minutes)
    {
        const QString dat = QStringLiteral(CARDIOLANE_SHARED_DATA "/ectopy/mitdb203.dat.xz");
        if (!QFile::exists(dat) || QStandardPaths::findExecutable("xz").isEmpty())
            return nullptr;
        QProcess xz;
        xz.start(QStringLiteral("xz"), {"-dc", dat});
        if (!xz.waitForFinished(60000) || xz.exitCode() != 0)
            return nullptr;
        const QByteArray samples = xz.readAllStandardOutput().left(minutes * 60 * 250 * 2);
        std::unique_ptr<MonitorSession> session = storage.startSession(
            storage.addPatient(QStringLiteral("Vidal")), QDateTime(QDate(2024, 5, 6), QTime(9, 0)));
        session->recording()->appendInterleaved(samples.constData(), samples.size());
        return session;
    }

    static QString summary(const ReviewEctopy &ectopy)
    {
        return ectopy.findChild<QLabel *>(QStringLiteral("lblEctopy"))->text();
    }

private slots:
    void withoutReadableRecording()
    {
        ReviewEctopy ectopy;
        ectopy.showRecording(QString(), QDateTime());
        QCOMPARE(summary(ectopy), QStringLiteral("This session has no ECG recording."));
        ectopy.showRecording(storage.dir.filePath(QStringLiteral("missing.nvecg")), QDateTime());
        QTRY_VERIFY(!ectopy.isBusy());
        QTRY_COMPARE(summary(ectopy), QStringLiteral("The ECG recording of this session cannot be read."));
        QVERIFY(ectopy.ventricularBeats().isEmpty());
    }

    void runsOfAReferenceRecord()
    {
        std::unique_ptr<MonitorSession> session = referenceSession(10);
        if (!session)
            QSKIP("reference ectopy records not available");
        ReviewEctopy ectopy;
        QSignalSpy beats(&ectopy, &ReviewEctopy::ventricularBeatsChanged);
        QSignalSpy chosen(&ectopy, &ReviewEctopy::positionChosen);

        // A session left before its classification ends never shows it.
        ectopy.showRecording(session->recording()->path(), session->startDateTime);
        ectopy.showRecording(QString(), QDateTime());
        QTRY_VERIFY(!ectopy.isBusy());
        QTest::qWait(50);
        QCOMPARE(summary(ectopy), QStringLiteral("This session has no ECG recording."));
        QVERIFY(ectopy.ventricularBeats().isEmpty());

        ectopy.showRecording(session->recording()->path(), session->startDateTime);
        QTRY_VERIFY_WITH_TIMEOUT(!ectopy.ventricularBeats().isEmpty(), 20000);
        QCOMPARE(beats.last().first().value<QVector<qint64>>(), ectopy.ventricularBeats());
        QVERIFY(summary(ectopy).startsWith(QStringLiteral("PVCs: %1 (").arg(ectopy.ventricularBeats().size())));

        auto *runs = ectopy.findChild<QTreeWidget *>(QStringLiteral("treeRuns"));
        QVERIFY(runs->topLevelItemCount() > 0);
        QTreeWidgetItem *first = runs->topLevelItem(0);
        QVERIFY(first->text(0).startsWith(QStringLiteral("09:")));
        QVERIFY(first->text(1).toInt() >= 3);
        runs->setCurrentItem(first);
        QCOMPARE(chosen.size(), 1);
        // Its ECG starts a second before the run's first beat, itself a V beat.
        const double shown = chosen.last().first().toDouble();
        const bool runStartsThere = std::any_of(
            ectopy.ventricularBeats().cbegin(), ectopy.ventricularBeats().cend(),
            [shown](qint64 index) { return qAbs(index / 250.0 - (shown + 1.0)) < 0.01; });
        QVERIFY(runStartsThere);
        QCOMPARE(ectopy.trendPlot()->xMax(), 600.0);
    }
};

QTEST_MAIN(TestReviewEctopy)
#include "tst_reviewectopy.moc"
