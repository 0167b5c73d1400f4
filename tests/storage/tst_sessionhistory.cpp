#include "storage/monitorsession.h"
#include "storage/sessionhistory.h"

#include <QtTest>

#include <memory>
#include <vector>

class TestSessionHistory : public QObject
{
    Q_OBJECT

    std::vector<std::unique_ptr<MonitorSession>> owned;

    const MonitorSession *make(int number, bool present, double weight, double height, double abdomen,
                               QVector<Checkpoint> checkpoints = {})
    {
        SessionData data;
        data.sessionNumber = number;
        data.presence = present;
        data.weight = weight;
        data.height = height;
        data.abdomen = abdomen;
        owned.push_back(std::make_unique<MonitorSession>(data));
        for (int k = 0; k < checkpoints.size(); ++k)
            owned.back()->setCheckpoint(k + 1, checkpoints[k]);
        return owned.back().get();
    }

    static QString text(const HistorySeries &series)
    {
        QStringList points;
        for (const HistoryPoint &p : series)
            points << QStringLiteral("%1:%2").arg(p.x).arg(p.y);
        return points.join(QLatin1Char(' '));
    }

private slots:
    void seriesSkipValuesNeverEntered()
    {
        Checkpoint basal{0.0, 70, 120, 80}, intra{0.0, 110, 0, 0}, post{0.0, 0, 130, 85};
        QList<const MonitorSession *> sessions = {
            make(1, true, 80.0, 0.0, 95.0, {basal, intra, post}),
            make(2, false, 0.0, 175.0, 0.0),
            make(4, true, 70.0, 175.0, 0.0, {Checkpoint{0.0, 65, 0, 0}}),
        };
        SessionHistory history;
        history.weight.append({9, 9.0}); // refilled, not appended to
        collectHistory(sessions, history);
        QCOMPARE(text(history.heartRate[0]), QStringLiteral("1:70 4:65"));
        QCOMPARE(text(history.heartRate[1]), QStringLiteral("1:110"));
        QCOMPARE(text(history.heartRate[2]), QString());
        QCOMPARE(text(history.systolic[0]), QStringLiteral("1:120"));
        QCOMPARE(text(history.systolic[1]), QString());
        QCOMPARE(text(history.systolic[2]), QStringLiteral("1:130"));
        QCOMPARE(text(history.weight), QStringLiteral("1:80 4:70"));
        QCOMPARE(history.bmi.size(), 1);
        QCOMPARE(history.bmi[0].x, 4);
        QVERIFY(qAbs(history.bmi[0].y - 70.0 / (1.75 * 1.75)) < 1e-9);
        QCOMPARE(text(history.abdomen), QStringLiteral("1:95"));
    }

    void bodyMassIndexNeedsBothMeasures()
    {
        QVERIFY(qAbs(bodyMassIndex(75.0, 175.0) - 24.4898) < 1e-4);
        QCOMPARE(bodyMassIndex(80.0, 0.0), 0.0);
        QCOMPARE(bodyMassIndex(0.0, 170.0), 0.0);
        QCOMPARE(bodyMassIndex(-80.0, 170.0), 0.0);
    }

    void attendanceIsWholePercent()
    {
        QList<const MonitorSession *> sessions;
        QCOMPARE(attendancePercent(sessions), 0);
        const bool present[] = {true, false, true, true, false, true, true};
        for (int i = 0; i < 7; ++i)
            sessions << make(i + 1, present[i], 0, 0, 0);
        QCOMPARE(attendancePercent(sessions), 71);
        QCOMPARE(attendancePercent(sessions.mid(0, 3)), 66);
    }
};

QTEST_GUILESS_MAIN(TestSessionHistory)
#include "tst_sessionhistory.moc"
