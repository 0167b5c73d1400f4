// The rules under the review window, without widgets: how typed numbers,
// pressures and heart rates are read, the values derived from the records
// (age, body-mass index, event times), and a patient's course with the
// sessions that cannot be read, its history series and attendance.

#include "../common/teststorage.h"

#include "review/reviewrules.h"
#include "review/thistoryplotvalues.h"
#include "storage/errortext.h"
#include "storage/patientcourse.h"
#include "storage/recordrules.h"
#include "storage/sessionhistory.h"

#include <QtTest>

#include <stdexcept>

class TestReviewRules : public QObject
{
    Q_OBJECT

private slots:
    void typedNumbers()
    {
        // text, read as a number, its value, valid as a measurement
        const struct { const char *text; bool read; double value; bool valid; } cases[] = {
            {"80.5", true, 80.5, true},  {" 80,5 ", true, 80.5, true},  {"", false, 0, true},
            {"-5", true, -5, false},     {"0", true, 0, false},          {"1,000.5", false, 0, false},
            {"1,2,3", false, 0, false},  {"80 kg", false, 0, false},     {"1e999", false, 0, false},
            {"nan", false, 0, false}};
        for (const auto &c : cases) {
            const QString text = QLatin1String(c.text);
            double read = -1.0;
            QVERIFY2(RecordRules::readDecimal(text, read) == c.read && RecordRules::measureValue(text) == c.value
                         && RecordRules::isValidMeasure(text) == c.valid, c.text);
        }
    }

    void checkpointCells()
    {
        // text, systolic/diastolic or -1 when refused, heart rate or -1 when refused
        const struct { const char *text; int systolic, diastolic, rate; } cases[] = {
            {"120/80", 120, 80, -1},   {" 120 / 80 ", 120, 80, -1}, {"BP 0120/080 mmHg", 120, 80, -1},
            {"  ", 0, 0, 0},           {"abc", -1, -1, -1},         {"120/80/70", -1, -1, -1},
            {"99999999999/80", -1, -1, -1}, {"95", -1, -1, 95},     {"95 bpm", -1, -1, 95},
            {"9 5", -1, -1, -1}};
        for (const auto &c : cases) {
            const QString text = QLatin1String(c.text);
            int systolic = -1, diastolic = -1, rate = -1;
            QCOMPARE(ReviewRules::readPressure(text, systolic, diastolic), c.systolic >= 0);
            QCOMPARE(ReviewRules::readHeartRate(text, rate), c.rate >= 0);
            QVERIFY2(systolic == c.systolic && diastolic == c.diastolic && rate == c.rate, c.text);
        }
    }

    void derivedValues()
    {
        using namespace RecordRules;
        // Completed years (the patient dialog's own table has the leap days).
        QCOMPARE(ageText(QDate(1960, 12, 31), QDate(2026, 1, 1)), QStringLiteral("65"));
        QCOMPARE(ageText(QDate(), QDate(2020, 6, 1)) + ageText(QDate(2021, 1, 1), QDate(2020, 6, 1)), QString());
        QCOMPARE(bmiText(QStringLiteral("80,5"), QStringLiteral("175")), QStringLiteral("26.3"));
        for (const char *weight : {"", "-5", "abc", "0"})
            QCOMPARE(bmiText(QLatin1String(weight), QStringLiteral("175")), QString());
        QCOMPARE(bmiText(QStringLiteral("80"), QStringLiteral("0")), QString());
        QCOMPARE(measureText(72.25) + measureText(0.0) + measureText(-1.0), QStringLiteral("72.25"));

        const QDateTime start(QDate(2026, 3, 4), QTime(9, 58, 30));
        QCOMPARE(eventTime(start, 95, true), QStringLiteral("10:00:05"));
        QCOMPARE(eventLine(start, 95, QStringLiteral("Basal BP 120/80")), QStringLiteral("10:00 Basal BP 120/80"));

        QCOMPARE(errorText(std::runtime_error("")) + errorText(std::runtime_error("!")), QStringLiteral("Unspecified application error!"));
    }

    void courseWithUnreadableSessions()
    {
        TestStorage storage;
        const int id = storage.addPatient(QStringLiteral("Ruiz"));
        const QDateTime start(QDate(2026, 3, 2), QTime(8, 0));
        // Session 2 absent without a weight, session 3 without a height,
        // session 4 unreadable; systolic pressures without heart rates; only
        // session 1 has an abdomen and an intra-exercise rate.
        for (int day = 0; day < 4; ++day) {
            auto session = storage.startSession(id, start.addDays(day), day != 1);
            session->height = day == 2 ? 0.0 : 170.0;
            session->weight = day == 1 ? 0.0 : 80.0;
            session->abdomen = day == 0 ? 95.0 : 0.0;
            session->setCheckpoint(PhaseBasal, {0.0, day == 0 ? 70 : 0, day == 0 ? 1 : 0, 0});
            session->setCheckpoint(PhaseIntraExercise, {0.0, day == 0 ? 110 : 0, 0, 0});
            session->setCheckpoint(PhasePostExercise, {0.0, 0, 130, 80});
            storage->updateSession(*session);
        }
        SessionInfo fourth;
        QVERIFY(storage->loadSession(id, 4, fourth));
        QVERIFY(writeFile(storage->studyPath(fourth.baseFilename), "NVSTUDY1"));

        const PatientCourse course(*storage.database, id);
        QCOMPARE(course.listedCount(), 4);
        QCOMPARE(course.sessions().size(), 3);
        QVERIFY(course.session(2));
        QVERIFY(course.session(2)->sessionNumber == 2);
        QVERIFY(!course.session(4));
        QCOMPARE(course.unreadable().size(), 1);
        QCOMPARE(course.unreadable().first().sessionNumber, 4);
        QCOMPARE(course.unreadable().first().startDateTime, start.addDays(3));
        // Attendance over every listed session: the unreadable one was attended.
        QVERIFY(course.presentCount() == 3);
        QVERIFY(course.attendancePercent() == 75);
        QVERIFY(PatientCourse(*storage.database, 4711).attendancePercent() == 0);
        QCOMPARE(attendancePercent(course.readSessions()), 66);
        QCOMPARE(attendancePercent({}), 0);

        // Collected twice: the series are refilled in place, where the plots read them.
        SessionHistory history;
        const auto series = history.plotSeries();
        collectHistory(course.readSessions(), history);
        collectHistory(course.readSessions(), history);
        QStringList shown;
        for (const auto &plot : series) {
            for (const HistorySeries *one : plot) {
                QStringList points;
                for (const HistoryPoint &p : *one)
                    points << QStringLiteral("%1:%2").arg(p.x).arg(p.y, 0, 'f', 1);
                shown << points.join(QLatin1Char(' '));
            }
        }
        QCOMPARE(shown, (QStringList{"1:70.0", "1:110.0", "", "1:1.0", "", "1:130.0 2:130.0 3:130.0", "1:80.0 3:80.0", "1:27.7",
                              "1:95.0"}));

        // The phases' series with their colours and names, and nothing past them.
        THistoryPlotValues hr(HistoryPlots::plots()[0], series[0]);
        QVERIFY(hr.seriesCount() == 3);
        QVERIFY(hr.pointCount(0) == 1);
        QVERIFY(hr.pointCount(3) == 0);
        QVERIFY(hr.pointCount(-1) == 0);
        QVERIFY(hr.x(0, 0) == 1.0);
        QVERIFY(hr.y(0, 0) == 70.0);
        QVERIFY(hr.y(0, 1) == 0.0);
        QVERIFY(hr.y(3, 0) == 0.0);
        QVERIFY(hr.x(-1, 0) == 0.0);
        QVERIFY(hr.color(0) == QColor(Qt::darkGreen));
        QVERIFY(hr.color(2) == QColor(Qt::darkMagenta));
        QVERIFY(!hr.color(3).isValid());
        QVERIFY(hr.name(1) == QStringLiteral("HR intra-exercise"));
        QVERIFY(hr.name(3).isEmpty());
        THistoryPlotValues weight(HistoryPlots::plots()[2], series[2]);
        QVERIFY(weight.seriesCount() == 1);
        QVERIFY(weight.color(0) == QColor(Qt::black));
        QVERIFY(weight.name(0) == QStringLiteral("Weight"));
    }
};

QTEST_MAIN(TestReviewRules)
#include "tst_reviewrules.moc"
