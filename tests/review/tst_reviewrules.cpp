// The rules under the review window, without widgets: how typed numbers,
// pressures and heart rates are read, the values derived from the records
// (age, body-mass index, event times), a patient's course with the sessions
// that cannot be read, its history series and attendance, and the record of
// what the station's windows hold open.

#include "../common/teststorage.h"

#include "review/reviewrules.h"
#include "storage/errortext.h"
#include "storage/patientcourse.h"
#include "storage/recordrules.h"
#include "storage/sessionhistory.h"

#include <QtTest>

#include <stdexcept>

Q_DECLARE_METATYPE(QVector<int>)

class TestReviewRules : public QObject
{
    Q_OBJECT

private slots:
    void typedNumbers_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("read");
        QTest::addColumn<double>("value");
        QTest::addColumn<bool>("validMeasure");

        QTest::newRow("point") << QStringLiteral("80.5") << true << 80.5 << true;
        QTest::newRow("decimal comma") << QStringLiteral(" 80,5 ") << true << 80.5 << true;
        QTest::newRow("empty") << QStringLiteral("") << false << 0.0 << true;
        QTest::newRow("negative") << QStringLiteral("-5") << true << -5.0 << false;
        QTest::newRow("zero") << QStringLiteral("0") << true << 0.0 << false;
        QTest::newRow("comma and point") << QStringLiteral("1,000.5") << false << 0.0 << false;
        QTest::newRow("two commas") << QStringLiteral("1,2,3") << false << 0.0 << false;
        QTest::newRow("unit") << QStringLiteral("80 kg") << false << 0.0 << false;
        QTest::newRow("infinite") << QStringLiteral("1e999") << false << 0.0 << false;
        QTest::newRow("not a number") << QStringLiteral("nan") << false << 0.0 << false;
    }

    void typedNumbers()
    {
        QFETCH(QString, typed);
        QFETCH(double, value);
        double read = -1.0;
        QTEST(RecordRules::readDecimal(typed, read), "read");
        QCOMPARE(RecordRules::measureValue(typed), value);
        QTEST(RecordRules::isValidMeasure(typed), "validMeasure");
    }

    void checkpointCells_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QVector<int>>("pressure"); // systolic, diastolic; empty when refused
        QTest::addColumn<QVector<int>>("rate");     // heart rate; empty when refused

        const QVector<int> refused;
        QTest::newRow("plain") << QStringLiteral("120/80") << QVector<int>{120, 80} << refused;
        QTest::newRow("spaces round the slash") << QStringLiteral(" 120 / 80 ") << QVector<int>{120, 80} << refused;
        QTest::newRow("unit and leading zeros") << QStringLiteral("BP 0120/080 mmHg") << QVector<int>{120, 80} << refused;
        QTest::newRow("empty is no reading") << QStringLiteral("  ") << QVector<int>{0, 0} << QVector<int>{0};
        QTest::newRow("letters") << QStringLiteral("abc") << refused << refused;
        QTest::newRow("three numbers") << QStringLiteral("120/80/70") << refused << refused;
        QTest::newRow("too large") << QStringLiteral("99999999999/80") << refused << refused;
        QTest::newRow("a number") << QStringLiteral("95") << refused << QVector<int>{95};
        QTest::newRow("number with unit") << QStringLiteral("95 bpm") << refused << QVector<int>{95};
        QTest::newRow("two numbers") << QStringLiteral("9 5") << refused << refused;
    }

    void checkpointCells()
    {
        QFETCH(QString, typed);
        QFETCH(QVector<int>, pressure);
        QFETCH(QVector<int>, rate);
        int systolic = -1, diastolic = -1, heartRate = -1;
        QCOMPARE(ReviewRules::readPressure(typed, systolic, diastolic), !pressure.isEmpty());
        const QVector<int> untouched = {-1, -1};
        QCOMPARE(QVector<int>({systolic, diastolic}), pressure.isEmpty() ? untouched : pressure);
        QCOMPARE(ReviewRules::readHeartRate(typed, heartRate), !rate.isEmpty());
        QCOMPARE(heartRate, rate.isEmpty() ? -1 : rate.first());
    }

    void derivedValues()
    {
        using namespace RecordRules;
        // Completed years: the birthday counts from its day on.
        QCOMPARE(ageInYears(QDate(1950, 3, 5), QDate(2020, 3, 4)), 69);
        QCOMPARE(ageInYears(QDate(1950, 3, 5), QDate(2020, 3, 5)), 70);
        QCOMPARE(ageInYears(QDate(1960, 12, 31), QDate(2026, 1, 1)), 65);
        QCOMPARE(ageText(QDate(1950, 3, 5), QDate(2020, 6, 1)), QStringLiteral("70"));
        QCOMPARE(ageText(QDate(), QDate(2020, 6, 1)) + ageText(QDate(2021, 1, 1), QDate(2020, 6, 1)), QString());

        QCOMPARE(bodyMassIndex(80.0, 0.0) + bodyMassIndex(0.0, 170.0) + bodyMassIndex(-80.0, 170.0), 0.0);
        QCOMPARE(bmiText(QStringLiteral("80,5"), QStringLiteral("175")), QStringLiteral("26.3"));
        for (const char *weight : {"", "-5", "abc", "0"})
            QCOMPARE(bmiText(QLatin1String(weight), QStringLiteral("175")), QString());
        QCOMPARE(bmiText(QStringLiteral("80"), QStringLiteral("0")), QString());
        QCOMPARE(measureText(72.25) + measureText(0.0) + measureText(-1.0), QStringLiteral("72.25"));

        const QDateTime start(QDate(2026, 3, 4), QTime(9, 58, 30));
        QCOMPARE(eventTime(start, 95, true), QStringLiteral("10:00:05"));
        QCOMPARE(eventLine(start, 95, QStringLiteral("Basal BP 120/80")), QStringLiteral("10:00 Basal BP 120/80"));

        QCOMPARE(errorText(std::runtime_error("")), QStringLiteral("Unspecified application error"));
        QCOMPARE(errorText(std::runtime_error("Write error")), QStringLiteral("Write error"));
    }

    void courseWithUnreadableSessions()
    {
        TestStorage storage;
        const int id = storage.addPatient(QStringLiteral("Ruiz"));
        const QDateTime start(QDate(2026, 3, 2), QTime(8, 0));
        std::vector<std::unique_ptr<MonitorSession>> made;
        for (int day = 0; day < 4; ++day) {
            auto session = storage.startSession(id, start.addDays(day), day != 1);
            session->height = day == 2 ? 0.0 : 170.0;
            Checkpoint post;
            post.sysBP = 130;
            session->setCheckpoint(PhasePostExercise, post);
            storage->updateSession(*session);
            made.push_back(std::move(session));
        }
        SessionInfo third;
        QVERIFY(storage->loadSession(id, 4, third) && writeFile(storage->studyPath(third.baseFilename), "NVSTUDY1"));

        const PatientCourse course(*storage.database, id);
        QCOMPARE(course.listedCount(), 4);
        QCOMPARE(course.sessions().size(), 3);
        QVERIFY(course.session(2) && course.session(2)->sessionNumber == 2 && !course.session(4));
        QCOMPARE(course.unreadable().size(), 1);
        QCOMPARE(course.unreadable().first().sessionNumber, 4);
        QCOMPARE(course.unreadable().first().startDateTime, start.addDays(3));
        // Attendance over every listed session: the unreadable one was attended.
        QVERIFY(course.presentCount() == 3 && course.attendancePercent() == 75);
        QVERIFY(PatientCourse(*storage.database, 4711).attendancePercent() == 0);

        // Weight 80 with height 0 gives a weight point but no BMI point; a
        // checkpoint without heart rate still gives its systolic point.
        SessionHistory history;
        const auto series = history.plotSeries();
        collectHistory(course.readSessions(), history);
        QCOMPARE(series[0].size() + series[1].size() + series[2].size(), 3 + 3 + 1);
        QVERIFY(history.heartRate[2].isEmpty() && series[1][2]->size() == 3 && series[1][2]->first().y == 130.0);
        QCOMPARE(history.weight.size(), 3);
        QCOMPARE(history.bmi.size(), 2);
        QVERIFY(history.bmi[1].x == 2 && qAbs(history.bmi[1].y - 80.0 / (1.7 * 1.7)) < 1e-9);
        QVERIFY(series[3].first() == &history.bmi && series[4].first() == &history.abdomen);
        QCOMPARE(attendancePercent(course.readSessions()), 66);
    }

    void openRecordsAreCounted()
    {
        OpenRecords records;
        records.holdSession(7, 2);
        records.holdReview(7);
        records.holdReview(7);
        records.releaseReview(7);
        QVERIFY(records.isSessionHeld(7, 2) && !records.isSessionHeld(7, 1) && !records.isSessionHeld(2, 7));
        QVERIFY(records.isMonitored(7) && !records.isMonitored(2) && records.isReviewed(7) && !records.isReviewed(2));
        records.releaseReview(7);
        records.releaseSession(7, 2);
        QVERIFY(!records.isReviewed(7) && !records.isMonitored(7));
    }
};

QTEST_MAIN(TestReviewRules)
#include "tst_reviewrules.moc"
