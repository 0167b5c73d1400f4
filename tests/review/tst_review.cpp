// The review window end to end on demonstration sessions, through both pages:
// what is edited reaches the study file and the patient record, and nothing
// else does (not even a text the fields cannot show as stored); entries that
// are not readings are refused; invalid measurements, storage errors and
// sessions held by the monitoring window never lose or invent data; and
// sessions that cannot be read are named, not silently left out.

#include "../common/findwidget.h"
#include "../common/messageboxanswerer.h"
#include "../common/teststorage.h"

#include "display/qplotgraphic.h"
#include "display/qsignalbrowsedisplay.h"
#include "review/reviewalarms.h"
#include "review/exportecgdialog.h"
#include "review/reviewwindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTableWidget>
#include <QTreeWidget>
#include <QHeaderView>
#include <QScrollBar>
#include <QtTest>

namespace {

// A review of the patient as the start window opens one, shown and loaded.
std::unique_ptr<ReviewWindow> openReview(TestStorage &storage, int patientId)
{
    PatientRecord patient;
    storage.database->loadPatient(patientId, patient);
    auto window = std::make_unique<ReviewWindow>(*storage.database, storage.records, patient);
    window->show();
    if (!QTest::qWaitForWindowExposed(window.get()))
        qFatal("review window not shown");
    QTest::qWait(50);
    return window;
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

// Whether the plot draws a dark point near the value (x, y).
bool plotsNear(QPlotGraphic *plot, double x, double y)
{
    const QImage image = plot->grab().toImage();
    for (int dx = -3; dx <= 3; ++dx) {
        for (int dy = -3; dy <= 3; ++dy) {
            const QColor c = image.pixelColor(int(plot->pixelX(x)) + dx, int(plot->pixelY(y)) + dy);
            if (c.lightness() < 100)
                return true;
        }
    }
    return false;
}

const QString Written = QStringLiteral("Mareo\r\nleve\u00a0tras 3 min");

} // namespace

class TestReview : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QSettings().remove(QStringLiteral("AdaptationList"));
    }

    void editsReachTheStudyFileAndNothingElse()
    {
        DemoStorage storage;
        const int id = storage.firstPatientId();
        // Texts with line breaks and non-breaking spaces that a text field
        // shows changed, and Borg ratings the spin box shows as "-" (never
        // entered) or cannot show, must survive being looked at and the
        // saving of other edits.
        const auto prepare = [&](int number, int rating) {
            auto session = storage.database->openSession(id, number);
            session->borgRPE = rating;
            session->symptoms = Written;
            storage.database->updateSession(*session);
        };
        prepare(1, 4);
        prepare(2, 14);
        prepare(3, 0);
        PatientRecord patient;
        storage.database->loadPatient(id, patient);
        patient.conclusion = QStringLiteral("Alta\r\nsin\u00a0incidencias");
        storage.database->updatePatient(patient);
        const QByteArray thirdBytes = storage.studyBytes(id, 3);
        auto expected1 = storage.database->openSession(id, 1);
        auto expected2 = storage.database->openSession(id, 2);

        {
            auto window = openReview(storage, id);
            QCOMPARE(window->windowTitle(), patient.displayName());
            // The first session on screen: its filtered ECG, its heart-rate
            // trend, its BMI; the paper follows the speed and amplitude buttons.
            auto *ecg = child<QSignalBrowseDisplay>(window.get(), "ecgGraphic");
            QVERIFY(ecg->signal());
            QVERIFY(ecg->signal() != expected1->recording());
            child<QPushButton>(window.get(), "btnSpeed50")->click();
            child<QPushButton>(window.get(), "btnAmp5")->click();
            QVERIFY(ecg->speed() == 50.0);
            QVERIFY(ecg->amplitude() == 5.0);
            auto *trend = child<QPlotGraphic>(window.get(), "hrGraphic");
            QVERIFY(trend->style() == QPlotGraphic::Lines);
            QVERIFY(trend->yMin() == 50.0);
            QVERIFY(trend->xMax() == expected1->hrTrend.size());
            QVERIFY(plotsNear(trend, 30, expected1->hrTrend[30]));
            auto *temperature = child<QPlotGraphic>(window.get(), "tempGraphic");
            QVERIFY(temperature->isHidden());
            QVERIFY(temperature->xMin() == 0.0);
            QVERIFY(temperature->xMax() == expected1->tempTrend.size());
            const double metres = expected1->height / 100;
            QCOMPARE(child<QLineEdit>(window.get(), "txtBMI")->text(),
                     QString::number(expected1->weight / (metres * metres), 'f', 1));
            auto *table = child<QTableWidget>(window.get(), "tableCheckpoints");
            table->item(1, 1)->setText(QStringLiteral("150 / 95 mmHg"));
            table->item(2, 0)->setText(QStringLiteral("88 bpm"));
            QCOMPARE(table->item(1, 1)->text() + table->item(2, 0)->text(), QStringLiteral("150/9588"));
            auto *sessions = child<QComboBox>(window.get(), "cboSession");
            auto *previous = child<QPushButton>(window.get(), "btnPrev");
            auto *next = child<QPushButton>(window.get(), "btnNext");
            QVERIFY(!previous->isEnabled());
            QVERIFY(next->isEnabled());
            next->click();
            QCOMPARE(sessions->currentIndex(), 1);

            // A decimal comma is read like a point.
            typeInto(child<QLineEdit>(window.get(), "txtWeight"), QStringLiteral("150,5"));
            const double metres2 = expected2->height / 100;
            QCOMPARE(child<QLineEdit>(window.get(), "txtBMI")->text(), QString::number(150.5 / (metres2 * metres2), 'f', 1));
            child<QPlainTextEdit>(window.get(), "txtSymptoms")->setPlainText(QStringLiteral("Dizziness at 3 min"));
            child<QSignalBrowseDisplay>(window.get(), "ecgGraphic")->setPosition(30.7);
            child<QPushButton>(window.get(), "btnAddEvent")->click();
            auto *events = child<QTreeWidget>(window.get(), "treeEvents");
            // Session 2 has no ECG: the view, and so the new event, stay at its start.
            QCOMPARE(events->currentItem()->text(1), expected2->startDateTime.toString(QStringLiteral("HH:mm:ss")));
            auto *editor = events->findChild<QLineEdit *>();
            QVERIFY(editor);
            // Still being typed when the session changes: it is part of the edits.
            QTest::keyClicks(editor, QStringLiteral("Chest pain"));
            next->click();
            QVERIFY(previous->isEnabled());
            QVERIFY(!next->isEnabled());
            QCOMPARE(child<QSpinBox>(window.get(), "numBorgRPE")->value(), 0);
            previous->click();
            QCOMPARE(sessions->currentIndex(), 1);

            // The summary shows the saved weight at once; its fields belong to the patient.
            child<QPushButton>(window.get(), "btnSummary")->click();
            auto *weights = child<QPlotGraphic>(window.get(), "weightHistoryGraphic");
            QVERIFY(plotsNear(weights, 2, 150.5));
            QVERIFY(!plotsNear(weights, 2, expected2->weight));
            QCOMPARE(weights->xMax(), 20.5);
            QCOMPARE(child<QPlotGraphic>(window.get(), "sbpHistoryGraphic")->yMin(), 50.0);
            QVERIFY(plotsNear(child<QPlotGraphic>(window.get(), "sbpHistoryGraphic"), 1, 150));
            child<QComboBox>(window.get(), "cboAdaptation")->setCurrentText(QStringLiteral("Good progress "));
            QVERIFY(window->close());
        }

        Checkpoint intra = expected1->checkpoint(PhaseIntraExercise);
        intra.sysBP = 150;
        intra.diaBP = 95;
        expected1->setCheckpoint(PhaseIntraExercise, intra);
        Checkpoint post = expected1->checkpoint(PhasePostExercise);
        post.heartRate = 88;
        expected1->setCheckpoint(PhasePostExercise, post);
        QCOMPARE(describe(*storage.database->openSession(id, 1)), describe(*expected1));
        expected2->weight = 150.5;
        expected2->symptoms = QStringLiteral("Dizziness at 3 min");
        expected2->events.append({0, QStringLiteral("Chest pain"), false});
        QCOMPARE(describe(*storage.database->openSession(id, 2)), describe(*expected2));
        QCOMPARE(storage.studyBytes(id, 3), thirdBytes);
        PatientRecord stored;
        QVERIFY(storage.database->loadPatient(id, stored));
        QCOMPARE(stored.adaptation, QStringLiteral("Good progress "));
        QCOMPARE(stored.conclusion, patient.conclusion);
        QVERIFY(QSettings().value(QStringLiteral("AdaptationList")).toStringList().contains(QStringLiteral("Good progress")));
    }

    void invalidEntriesAreRefusedOrAskFirst()
    {
        DemoStorage storage;
        const int id = storage.firstPatientId();
        const QByteArray stored = storage.studyBytes(id, 1);
        auto window = openReview(storage, id);
        auto *table = child<QTableWidget>(window.get(), "tableCheckpoints");
        const QString pressure = table->item(0, 1)->text(), rate = table->item(0, 0)->text();
        {
            // Text that is not a reading is refused with a message and never becomes 0.
            MessageBoxAnswerer ok(QMessageBox::Ok);
            table->item(0, 1)->setText(QStringLiteral("one twenty"));
            table->item(0, 0)->setText(QStringLiteral("9 5"));
            QTRY_COMPARE(ok.titles, (QStringList{QStringLiteral("Warning"), QStringLiteral("Warning")}));
            QVERIFY(ok.texts.join(QLatin1Char(' ')).contains(QStringLiteral("\"one twenty\" is not a blood pressure")));
        }
        QCOMPARE(table->item(0, 1)->text() + table->item(0, 0)->text(), pressure + rate);

        auto *weight = child<QLineEdit>(window.get(), "txtWeight");
        auto *sessions = child<QComboBox>(window.get(), "cboSession");
        typeInto(weight, QStringLiteral("-5"));
        QCOMPARE(child<QLineEdit>(window.get(), "txtBMI")->text(), QString());

        // Cancel keeps the user where they were, at every save point; the
        // session combo does not move while the question is asked.
        {
            MessageBoxAnswerer cancel(QMessageBox::Cancel);
            int shownWhileAsked = -1;
            cancel.whileShown = [&](QMessageBox *) { shownWhileAsked = sessions->currentIndex(); };
            sessions->setCurrentIndex(1);
            QCOMPARE(shownWhileAsked, 0);
            QCOMPARE(sessions->currentIndex(), 0);
            QCOMPARE(weight->text(), QStringLiteral("-5"));
            child<QPushButton>(window.get(), "btnSummary")->click();
            QCOMPARE(child<QStackedWidget>(window.get(), "pages")->currentIndex(), 0);
            QVERIFY(!window->close());
            QCOMPARE(cancel.texts.size(), 3);
            QVERIFY(!cancel.windowModal.contains(false));
        }
        {
            MessageBoxAnswerer discard(QMessageBox::Discard);
            QVERIFY(window->close());
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
        auto window = openReview(storage, id);
        auto *symptoms = child<QPlainTextEdit>(window.get(), "txtSymptoms");
        auto *sessions = child<QComboBox>(window.get(), "cboSession");
        symptoms->setPlainText(QStringLiteral("Edited"));

        // A directory in the study file's place cannot be written.
        QVERIFY(QFile::remove(path));
        QVERIFY(QDir().mkdir(path));
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
        QVERIFY(writeFile(path, stored));
        symptoms->setPlainText(QStringLiteral("Edited again"));
        QVERIFY(window->close());
        QCOMPARE(storage.database->openSession(id, 1)->symptoms, QStringLiteral("Edited again"));
    }

    void exportEcgWritesTheShownSessionOrSaysWhyNot()
    {
        DemoStorage storage;
        const int id = storage.firstPatientId();
        PatientRecord patient;
        storage.database->loadPatient(id, patient);
        patient.lastName = QStringLiteral("Gómez/Ruiz");
        const std::unique_ptr<MonitorSession> session = storage.database->openSession(id, 1);
        QTemporaryDir out;
        ExportEcgDialog dialog(nullptr, *session, patient);
        dialog.show();
        auto *file = child<QLineEdit>(&dialog, "txtFile");
        auto *anonymize = child<QCheckBox>(&dialog, "chkAnonymize");

        // A safe name from the patient and the start; none when anonymized.
        const QString stamp = session->startDateTime.toString("yyyyMMddHHmmss");
        const QString named = ExportEcgDialog::proposedPath(out.path(), *session, patient, false);
        QCOMPARE(QFileInfo(named).fileName(), "Gómez_Ruiz-" + patient.firstName + "-" + stamp + ".edf");
        file->setText(QDir::toNativeSeparators(named));
        anonymize->setChecked(true);
        QCOMPARE(QFileInfo(file->text()).fileName(), "ECG-" + stamp + ".edf");

        // A folder that does not exist: the reason is shown and the dialog stays.
        file->setText(out.filePath("missing/x.edf"));
        {
            MessageBoxAnswerer ok(QMessageBox::Ok);
            dialog.accept();
            QCOMPARE(ok.texts.size(), 1);
            QVERIFY2(ok.texts[0].startsWith("The ECG could not be written to "), qPrintable(ok.texts[0]));
        }
        QVERIFY(dialog.exportedPath().isEmpty());

        // Written without the name anywhere, as an EDF file.
        file->setText(out.filePath("anon"));
        dialog.accept();
        QCOMPARE(dialog.exportedPath(), out.filePath("anon.edf"));
        const QByteArray written = readFile(out.filePath("anon.edf"));
        QVERIFY(written.startsWith("0       X X X X"));
        QVERIFY(!written.contains(patient.firstName.toUtf8()));
    }

    void sessionHeldByMonitoringIsReadOnly()
    {
        DemoStorage storage;
        const int id = storage.firstPatientId();
        storage.records.holdSession(id, 2);
        const QByteArray held = storage.studyBytes(id, 2);
        auto window = openReview(storage, id);
        QVERIFY(storage.records.isReviewed(id));
        auto *sessions = child<QComboBox>(window.get(), "cboSession");
        sessions->setCurrentIndex(1);
        // Released meanwhile, it stays read-only: the copy here may be stale.
        storage.records.releaseSession(id, 2);
        QVERIFY(child<QLabel>(window.get(), "lblSessionHeld")->isVisible());
        QVERIFY(!child<QLineEdit>(window.get(), "txtWeight")->isEnabled());
        child<QPlainTextEdit>(window.get(), "txtSymptoms")->setPlainText(QStringLiteral("Not to be saved"));
        sessions->setCurrentIndex(0);
        QVERIFY(!child<QLabel>(window.get(), "lblSessionHeld")->isVisible());
        QVERIFY(window->close());
        window.reset();
        QCOMPARE(storage.studyBytes(id, 2), held);
        QVERIFY(!storage.records.isReviewed(id));
    }

    void unreadableSessionsAreNamed()
    {
        DemoStorage storage(1, 4);
        const int id = storage.firstPatientId();
        const QList<SessionInfo> rows = storage.database->listSessions(id);
        int present = 0;
        for (const SessionInfo &row : rows)
            present += row.presence ? 1 : 0;
        const auto name = [&](int number) {
            return QStringLiteral("#%1 of %2").arg(number).arg(rows[number - 1].startDateTime.toString(QStringLiteral("dd/MM/yyyy")));
        };
        const QByteArray third = storage.studyBytes(id, 3);
        QVERIFY(writeFile(storage.studyPath(id, 1), "not a study"));
        QVERIFY(writeFile(storage.studyPath(id, 3), "NVSTUDY2"));

        MessageBoxAnswerer ok(QMessageBox::Ok);
        auto window = openReview(storage, id);
        QTRY_COMPARE(ok.texts, QStringList{QStringLiteral("2 sessions could not be read and are not listed: %1, %2.")
                                               .arg(name(1), name(3))});
        auto *sessions = child<QComboBox>(window.get(), "cboSession");
        QCOMPARE(sessions->count(), 2);
        // Without a readable session 1 the first listed one is shown.
        QCOMPARE(sessions->currentData().toInt(), 2);
        // The attendance counts every listed session, and says over how many.
        child<QPushButton>(window.get(), "btnSummary")->click();
        QCOMPARE(child<QLineEdit>(window.get(), "txtAssistance")->text(),
                 QStringLiteral("%1 % (%2 of 4 sessions)").arg(present * 100 / 4).arg(present));
        QVERIFY(child<QLabel>(window.get(), "lblUnreadable")->text().startsWith(
            QStringLiteral("2 sessions could not be read: %1, %2.").arg(name(1), name(3))));
        QVERIFY(window->close());
        window.reset();

        QVERIFY(writeFile(storage.studyPath(id, 3), third));
        window = openReview(storage, id);
        QTRY_COMPARE(ok.texts.last(), QStringLiteral("Session %1 could not be read and is not listed.").arg(name(1)));
        child<QPushButton>(window.get(), "btnSummary")->click();
        QVERIFY(child<QLabel>(window.get(), "lblUnreadable")->text().startsWith(
            QStringLiteral("Session %1 could not be read:").arg(name(1))));
    }
    // The session's rhythm beside the ectopy: AF figures, the AF episodes
    // (choosing one shows its ECG shortly before the onset) and, for a
    // session recorded without the judgement, a sentence that says so.
    void rhythmIsSummedUpAndShowsItsEcg()
    {
        DemoStorage storage;
        const int id = storage.firstPatientId();
        auto session = storage.database->openSession(id, 1);
        session->rhythmAnalysed = true;
        session->rhythmEpisodes = {{0, 2500, RhythmLabel::Other},
                                   {2500, 10000, RhythmLabel::AtrialFibrillation},
                                   {10000, 15000, RhythmLabel::Other},
                                   {15000, 17500, RhythmLabel::AtrialFibrillation}};
        storage.database->updateSession(*session);
        auto window = openReview(storage, id);
        auto *summary = child<QLabel>(window.get(), "lblRhythm");
        auto *episodes = child<QTreeWidget>(window.get(), "treeAfEpisodes");
        QVERIFY(summary->isVisible());
        QVERIFY(episodes->isVisible());
        QVERIFY2(summary->text().startsWith(QStringLiteral("AF burden: 57.1% of 1:10 analysed\nAF episodes: 2\nLongest: 0:30")),
                 qPrintable(summary->text()));
        QCOMPARE(episodes->topLevelItemCount(), 2);
        QCOMPARE(episodes->topLevelItem(1)->text(1), QStringLiteral("0:10"));
        auto *ecg = child<QSignalBrowseDisplay>(window.get(), "ecgGraphic");
        episodes->setCurrentItem(episodes->topLevelItem(0));
        QCOMPARE(ecg->position(), 7.0);
        // The next session has no rhythm in its file.
        child<QPushButton>(window.get(), "btnNext")->click();
        QCOMPARE(episodes->topLevelItemCount(), 0);
        QCOMPARE(summary->text(), QStringLiteral("The rhythm of this session was not analysed."));
    }

    void alarmsAreListedAndShowTheirEcg()
    {
        DemoStorage storage;
        const int id = storage.firstPatientId();
        auto session = storage.database->openSession(id, 1);
        using E = AlarmLogEntry;
        session->alarmLog = {{12.3, E::Onset, "hrHigh", "medium", "HR 182 > 170"}, {20.0, E::Onset, "asystole", "high", "ASYSTOLE"},
                             {23.5, E::End, "asystole", "high", "ASYSTOLE"}, {30.0, E::Acknowledged, "asystole", "high", "ASYSTOLE"},
                             {41.0, E::End, "hrHigh", "medium", "HR 182 > 170"},
                             {50.0, E::Onset, "recordingStopped", "medium", "Recording stopped: No space left on device"}};
        storage.database->updateSession(*session);
        auto window = openReview(storage, id);
        auto *alarms = child<QTreeWidget>(window.get(), "treeAlarms");
        QVERIFY(alarms->isVisible());
        QVERIFY(alarms->parentWidget()->layout()->indexOf(alarms) >= 0);
        QStringList rows;
        for (int i = 0; i < alarms->topLevelItemCount(); ++i) {
            QStringList cells;
            for (int c = 0; c < alarms->columnCount(); ++c)
                cells << alarms->topLevelItem(i)->text(c);
            rows << cells.join('|');
        }
        const auto at = [&](double s) { return session->startDateTime.addMSecs(qint64(s * 1000)).toString("HH:mm:ss"); };
        QCOMPARE(rows, QStringList({at(12.3) + "|HR 182 > 170||" + at(41),
                                    at(20) + "|ASYSTOLE|" + at(30) + "|" + at(23.5),
                                    at(50) + "|Recording stopped: No space left on device||"}));
        QCOMPARE(alarms->topLevelItem(1)->toolTip(ReviewAlarms::ColumnText), QStringLiteral("High priority: ASYSTOLE"));
        // On a 1366-pixel screen every usual text is whole; one beyond
        // three usual ones is cut with a mark and whole in its tooltip.
        window->resize(1366, 700);
        QCoreApplication::processEvents();
        for (const QString &shown : {QStringLiteral("VT 12 beats 180 bpm"), QStringLiteral("Check electrodes")}) {
            const int right = alarms->header()->sectionViewportPosition(ReviewAlarms::ColumnText) + alarms->iconSize().width()
                              + 8 + alarms->fontMetrics().horizontalAdvance(shown);
            QVERIFY2(right <= alarms->viewport()->width(),
                     qPrintable(QStringLiteral("%1: %2 > %3").arg(shown).arg(right).arg(alarms->viewport()->width())));
        }
        QVERIFY(alarms->topLevelItem(2)->toolTip(ReviewAlarms::ColumnText).endsWith("No space left on device"));
        // Choosing an alarm shows the ECG at its onset, as choosing an event does.
        auto *ecg = child<QSignalBrowseDisplay>(window.get(), "ecgGraphic");
        alarms->setCurrentItem(alarms->topLevelItem(1));
        QCOMPARE(ecg->position(), 20.0);
        alarms->setCurrentItem(alarms->topLevelItem(0));
        QCOMPARE(ecg->position(), 12.3);
        // A session without alarms says so; leaving an edited session keeps its alarms.
        child<QPlainTextEdit>(window.get(), "txtSymptoms")->setPlainText(QStringLiteral("Edited"));
        child<QPushButton>(window.get(), "btnNext")->click();
        QCOMPARE(alarms->topLevelItemCount(), 1);
        QCOMPARE(alarms->topLevelItem(0)->text(0), QStringLiteral("No alarms"));
        alarms->setCurrentItem(alarms->topLevelItem(0));
        QCOMPARE(ecg->position(), 0.0);
        QCOMPARE(storage.database->openSession(id, 1)->alarmLog, session->alarmLog);
    }
};

QTEST_MAIN(TestReview)
#include "tst_review.moc"
