// The review window end to end on demonstration sessions: what is edited
// reaches the study file and nothing else does; invalid measurements, storage
// errors and sessions held by the monitoring window never lose or invent data;
// and how a checkpoint cell reads what was typed into it.

#include "../common/findwidget.h"
#include "../common/messageboxanswerer.h"
#include "../common/teststorage.h"

#include "display/qplotgraphic.h"
#include "display/qsignalbrowsedisplay.h"
#include "monitoring/sessionmanager.h"
#include "review/reviewrules.h"
#include "review/reviewwindow.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QStackedWidget>
#include <QStandardPaths>
#include <QTableWidget>
#include <QTreeWidget>
#include <QtTest>

namespace {


void waitUntilLoaded(ReviewWindow &window)
{
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTRY_VERIFY(child<QSignalBrowseDisplay>(&window, "ecgGraphic")->signal() != nullptr);
}

void typeInto(QLineEdit *field, const QString &text)
{
    field->selectAll();
    QTest::keyClicks(field, text);
}

// The fields a review can change, one line each, to compare whole sessions.
QStringList describe(const MonitorSession &s)
{
    QStringList lines = {s.exerciseType,
                         QStringLiteral("%1 %2 %3 borg %4").arg(s.weight).arg(s.height).arg(s.abdomen).arg(s.borgRPE),
                         s.symptoms, s.conclusion,
                         QStringLiteral("trends %1 %2 %3").arg(s.hrTrend.size()).arg(s.spo2Trend.size()).arg(s.tempTrend.size())};
    for (int phase = PhaseBasal; phase <= PhasePostExercise; ++phase) {
        const Checkpoint c = s.checkpoint(phase);
        lines << QStringLiteral("%1 %2 %3/%4").arg(c.timeOffset).arg(c.heartRate).arg(c.sysBP).arg(c.diaBP);
    }
    for (const SessionEvent &e : s.events)
        lines << QStringLiteral("%1 %2 %3").arg(e.timeOffset).arg(e.description).arg(e.print);
    return lines;
}

// Answers the next message box with `button`, noting whether it was modal to
// its own window only.
void answerNextBox(QMessageBox::StandardButton button, bool *windowModal)
{
    QTimer::singleShot(10, [=] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box)
            return answerNextBox(button, windowModal);
        *windowModal = box->windowModality() == Qt::WindowModal;
        box->button(button)->click();
    });
}

} // namespace

class TestReview : public QObject
{
    Q_OBJECT

private slots:
    void checkpointCells_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("pressure");
        QTest::addColumn<int>("heartRate");

        QTest::newRow("plain") << QStringLiteral("120/80") << QStringLiteral("120/80") << 0;
        QTest::newRow("unit and leading zeros") << QStringLiteral("BP 0120/080 mmHg") << QStringLiteral("120/80") << 0;
        // The slash must touch both numbers.
        QTest::newRow("spaces round the slash") << QStringLiteral("120 / 80") << QStringLiteral("0/0") << 0;
        QTest::newRow("letters") << QStringLiteral("abc") << QStringLiteral("0/0") << 0;
        QTest::newRow("a number") << QStringLiteral("95") << QStringLiteral("0/0") << 95;
        QTest::newRow("number with letters") << QStringLiteral("95 bpm") << QStringLiteral("0/0") << 0;
    }

    void checkpointCells()
    {
        QFETCH(QString, typed);
        QTEST(ReviewRules::pressureCell(typed), "pressure");
        QTEST(ReviewRules::heartRateCell(typed), "heartRate");
    }

    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QSettings().remove(QStringLiteral("AdaptationList"));
    }

    void editsReachTheStudyFileAndNothingElse()
    {
        DemoStorage storage;
        const int id = storage.firstPatientId();
        // Borg ratings the spin box shows as "-" (never entered) or cannot show
        // must survive being looked at and the saving of other edits.
        const auto setBorg = [&](int number, int rating) {
            auto session = storage.database->openSession(id, number);
            session->borgRPE = rating;
            storage.database->updateSession(*session);
        };
        setBorg(2, 14);
        setBorg(3, 0);
        const QByteArray thirdBytes = storage.studyBytes(id, 3);
        auto expected1 = storage.database->openSession(id, 1);
        auto expected2 = storage.database->openSession(id, 2);

        {
            ReviewWindow window(nullptr, id);
            waitUntilLoaded(window);
            QVERIFY(QTest::qWaitForWindowActive(&window));
            auto *table = child<QTableWidget>(&window, "tableCheckpoints");
            table->item(1, 1)->setText(QStringLiteral("150/95 mmHg"));
            QCOMPARE(table->item(1, 1)->text(), QStringLiteral("150/95"));
            auto *sessions = child<QComboBox>(&window, "cboSession");
            sessions->setCurrentIndex(1);

            typeInto(child<QLineEdit>(&window, "txtWeight"), QStringLiteral("81.5"));
            child<QPlainTextEdit>(&window, "txtSymptoms")->setPlainText(QStringLiteral("Dizziness at 3 min"));
            child<QSignalBrowseDisplay>(&window, "ecgGraphic")->setPosition(30.7);
            child<QPushButton>(&window, "btnAddEvent")->click();
            auto *editor = child<QTreeWidget>(&window, "treeEvents")->findChild<QLineEdit *>();
            QVERIFY(editor);
            // Still being typed when the session changes: it is part of the edits.
            QTest::keyClicks(editor, QStringLiteral("Chest pain"));
            sessions->setCurrentIndex(2);
            QCOMPARE(child<QSpinBox>(&window, "numBorgRPE")->value(), 0);

            // The summary shows the saved weight at once; its fields belong to the patient.
            child<QPushButton>(&window, "btnSummary")->click();
            QCOMPARE(child<QPlotGraphic>(&window, "weightHistoryGraphic")->values()->y(0, 1), 81.5);
            child<QComboBox>(&window, "cboAdaptation")->setCurrentText(QStringLiteral("Good progress "));
            child<QPlainTextEdit>(&window, "txtSummaryConclusion")->setPlainText(QStringLiteral("Discharged"));
            QVERIFY(window.close());
        }

        Checkpoint intra = expected1->checkpoint(PhaseIntraExercise);
        intra.sysBP = 150;
        intra.diaBP = 95;
        expected1->setCheckpoint(PhaseIntraExercise, intra);
        QCOMPARE(describe(*storage.database->openSession(id, 1)), describe(*expected1));
        expected2->weight = 81.5;
        expected2->symptoms = QStringLiteral("Dizziness at 3 min");
        // Session 2 has no ECG: the view, and a new event, stay at its start.
        expected2->events.append({0, QStringLiteral("Chest pain"), false});
        QCOMPARE(describe(*storage.database->openSession(id, 2)), describe(*expected2));
        QCOMPARE(storage.studyBytes(id, 3), thirdBytes);
        PatientRecord patient;
        QVERIFY(storage.database->loadPatient(id, patient));
        QCOMPARE(patient.adaptation + patient.conclusion, QStringLiteral("Good progress Discharged"));
        QVERIFY(QSettings().value(QStringLiteral("AdaptationList")).toStringList().contains(QStringLiteral("Good progress")));
    }

    void invalidMeasurementsAskBeforeAnythingIsLost()
    {
        DemoStorage storage;
        const int id = storage.firstPatientId();
        const QByteArray stored = storage.studyBytes(id, 1);
        ReviewWindow window(nullptr, id);
        waitUntilLoaded(window);
        auto *weight = child<QLineEdit>(&window, "txtWeight");
        auto *sessions = child<QComboBox>(&window, "cboSession");
        typeInto(weight, QStringLiteral("-5"));

        // Cancel keeps the user where they were, at every save point.
        bool windowModal = false;
        answerNextBox(QMessageBox::Cancel, &windowModal);
        sessions->setCurrentIndex(1);
        QVERIFY(windowModal);
        QCOMPARE(sessions->currentIndex(), 0);
        QCOMPARE(weight->text(), QStringLiteral("-5"));
        {
            MessageBoxAnswerer cancel(QMessageBox::Cancel);
            child<QPushButton>(&window, "btnSummary")->click();
            QCOMPARE(child<QStackedWidget>(&window, "pages")->currentIndex(), 0);
            QVERIFY(!window.close());
            QCOMPARE(cancel.texts.size(), 2);
        }
        {
            MessageBoxAnswerer discard(QMessageBox::Discard);
            QVERIFY(window.close());
        }
        QCOMPARE(storage.studyBytes(id, 1), stored);
    }

    void failedSaveIsShownAndKeepsTheEdits()
    {
        DemoStorage storage;
        const int id = storage.firstPatientId();
        const QString path = storage.studyPath(id, 1);
        const QByteArray stored = storage.studyBytes(id, 1);
        const QString storedSymptoms = storage.database->openSession(id, 1)->symptoms;
        ReviewWindow window(nullptr, id);
        waitUntilLoaded(window);
        auto *symptoms = child<QPlainTextEdit>(&window, "txtSymptoms");
        auto *sessions = child<QComboBox>(&window, "cboSession");
        symptoms->setPlainText(QStringLiteral("Edited"));

        // A directory in the study file's place cannot be written.
        QVERIFY(QFile::remove(path) && QDir().mkdir(path));
        {
            MessageBoxAnswerer cancel(QMessageBox::Cancel);
            sessions->setCurrentIndex(1);
            QCOMPARE(cancel.titles, QStringList{QStringLiteral("Error")});
        }
        QCOMPARE(sessions->currentIndex(), 0);
        QCOMPARE(symptoms->toPlainText(), QStringLiteral("Edited"));

        // Discarded edits are gone from the window too: nothing unsaved is shown as stored.
        {
            MessageBoxAnswerer discard(QMessageBox::Discard);
            sessions->setCurrentIndex(1);
        }
        sessions->setCurrentIndex(0);
        QCOMPARE(symptoms->toPlainText(), storedSymptoms);

        QVERIFY(QDir().rmdir(path));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(stored) == stored.size());
        file.close();
        symptoms->setPlainText(QStringLiteral("Edited again"));
        QVERIFY(window.close());
        QCOMPARE(storage.database->openSession(id, 1)->symptoms, QStringLiteral("Edited again"));
    }

    void sessionHeldByMonitoringIsReadOnly()
    {
        DemoStorage storage;
        const int id = storage.firstPatientId();
        SessionManager manager;
        SessionData data;
        data.patientId = id;
        data.sessionNumber = storage.database->nextSessionNumber(id);
        data.startDateTime = QDateTime::currentDateTime();
        QVERIFY(manager.startMonitoring(data, QStringLiteral("sim")));
        manager.stopMonitoring(id);
        const QByteArray held = storage.studyBytes(id, data.sessionNumber);

        ReviewWindow window(nullptr, id);
        waitUntilLoaded(window);
        auto *sessions = child<QComboBox>(&window, "cboSession");
        sessions->setCurrentIndex(sessions->findData(data.sessionNumber));
        QVERIFY(child<QLabel>(&window, "lblSessionHeld")->isVisible());
        QVERIFY(!child<QLineEdit>(&window, "txtWeight")->isEnabled());
        child<QPlainTextEdit>(&window, "txtSymptoms")->setPlainText(QStringLiteral("Not to be saved"));
        sessions->setCurrentIndex(0);
        QVERIFY(!child<QLabel>(&window, "lblSessionHeld")->isVisible());
        QVERIFY(window.close());
        QCOMPARE(storage.studyBytes(id, data.sessionNumber), held);
    }

    void unreadableSessionIsLeftOut()
    {
        DemoStorage storage;
        const int id = storage.firstPatientId();
        QFile study(storage.studyPath(id, 1));
        QVERIFY(study.open(QIODevice::WriteOnly) && study.write("not a study") > 0);
        study.close();

        MessageBoxAnswerer ok(QMessageBox::Ok);
        ReviewWindow window(nullptr, id);
        waitUntilLoaded(window);
        QCOMPARE(ok.titles, QStringList{QStringLiteral("Warning")});
        auto *sessions = child<QComboBox>(&window, "cboSession");
        QCOMPARE(sessions->count(), 2);
        // Without a readable session 1 the first listed one is shown.
        QCOMPARE(sessions->currentData().toInt(), 2);
    }
};

QTEST_MAIN(TestReview)
#include "tst_review.moc"
