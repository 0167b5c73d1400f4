// A session exported as an EDF+ file and read back with EDFlib: header fields,
// ECG counts and millivolts (against `recording export`), trends, every
// annotation at its time, no name in an anonymized file; the companion's
// refusals, and a failed export that leaves the previous file alone.

#include "../common/teststorage.h"

#include "storage/edfannotations.h"
#include "storage/edfexport.h"
#include "storage/monitorsession.h"

#include <QProcess>
#include <QtTest>

#include <edflib.h>

#include <array>

namespace {

QString exportError(const MonitorSession &s, const PatientRecord &p, const QString &path, EdfExportOptions o = {})
{
    return storageErrorOf([&] { exportSessionEdf(s, p, path, o); });
}

// An EDF+ file opened for reading with every annotation.
struct EdfFile
{
    explicit EdfFile(const QString &path) { ok = edfopen_file_readonly(qPrintable(path), &hdr, EDFLIB_READ_ALL_ANNOTATIONS) == 0; }
    ~EdfFile() { if (ok) edfclose_file(hdr.handle); }
    // Up to n digital values of a signal from its start.
    std::vector<int> digital(int signal, int n)
    {
        std::vector<int> v(static_cast<size_t>(n));
        return v.resize(size_t(std::max(0, edfread_digital_samples(hdr.handle, signal, n, v.data())))), v;
    }
    QStringList annotations()
    {
        QStringList list;
        for (edf_annotation_struct a; edf_get_annotation(hdr.handle, list.size(), &a) == 0;)
            list << QStringLiteral("%1 %2").arg(a.onset / 1e7).arg(QString::fromUtf8(a.annotation));
        return list;
    }
    edf_hdr_struct hdr{};
    bool ok = false;
};

// The companion's exit code (-1 when it did not end normally) and error output.
int cli(const QStringList &arguments, QByteArray *error = nullptr)
{
    QProcess p;
    p.start(QStringLiteral(CARDIOLANE_BIN_DIR "/cardiolane-cli"), arguments);
    const bool ended = p.waitForFinished(30000) && p.exitStatus() == QProcess::NormalExit;
    if (error)
        *error = p.readAllStandardError();
    return ended ? p.exitCode() : -1;
}

} // namespace

class TestEdf : public QObject
{
    Q_OBJECT

    TestStorage m_storage;
    PatientRecord m_patient;
    std::unique_ptr<MonitorSession> m_session; // session 1, reopened for review
    std::vector<int> m_counts;                 // its ECG: 5.5 s across the whole 16-bit range
    QString m_out;

private slots:
    void initTestCase()
    {
        m_patient = PatientRecord::fromJson({{"firstName", "Ana María"}, {"lastName", "García López"}, {"sex", "F"},
                                             {"birthDate", "19500131"}, {"medicalHistoryNumber", "HC 4711"}});
        m_storage->insertPatient(m_patient);
        auto s = m_storage.startSession(m_patient.id, QDateTime(QDate(2026, 6, 2), QTime(8, 30, 15)));
        std::vector<qint16> counts(1375);
        for (size_t k = 0; k < counts.size(); ++k)
            counts[k] = k < 3 ? std::array<qint16, 3>{-32768, 32767, 0}[k] : qint16(quint16(k * 48 + 7));
        const qint16 *channels[] = {counts.data()};
        s->recording()->appendChannels(channels, int(counts.size()));
        m_counts.assign(counts.begin(), counts.end());
        s->hrTrend = {70, 72, 0, 75, 80, 82, 90}; // one second longer than the ECG
        s->spo2Trend = {97, 0, 98};
        s->tempTrend = {36.55, 0.0, 36.61};
        s->setCheckpoint(PhaseBasal, {1.25, 70, 130, 85});
        s->setCheckpoint(PhasePostExercise, {4.5, 82, 120, 80});
        s->events = {{0, "Start monitoring", false}, {3, "Ana said the pain in her chest radiates to the jaw", true},
                     {-4, "Clock set back"}, {2, "Increased load"}};
        for (int n = 0; n < 6; ++n)
            s->events.append({n, QStringLiteral("Note %1").arg(n)});
        s->alarmLog = {{2.5, AlarmLogEntry::Onset, "asystole", "high", "ASYSTOLE"},
                       {3.4, AlarmLogEntry::Acknowledged, "asystole", "high", "ASYSTOLE"},
                       {4.1, AlarmLogEntry::End, "asystole", "high", "ASYSTOLE"}};
        m_storage->updateSession(*s);
        m_storage.startSession(m_patient.id, QDateTime(QDate(2026, 6, 4), QTime(8, 0)), false);
        // Session 3 stays within the module's range, up to its limits.
        const qint16 small[] = {-256, 0, 256, 100}, *smallChannels[] = {small};
        m_storage.startSession(m_patient.id, QDateTime(QDate(2026, 6, 6), QTime(8, 0)))->recording()->appendChannels(smallChannels, 4);
        m_session = m_storage->openSession(m_patient.id, 1);
        QVERIFY(m_session);
        QVERIFY(m_session->recording());
        m_out = m_storage.root() + "/out.edf";
    }

    void exportedFileReadsBack()
    {
        EdfExportOptions options;
        options.technician = QStringLiteral("Dr Ruiz");
        QCOMPARE(exportError(*m_session, m_patient, m_out, options), QString());
        EdfFile edf(m_out);
        const edf_hdr_struct &h = edf.hdr;
        QVERIFY(edf.ok);
        QVERIFY(h.filetype == EDFLIB_FILETYPE_EDFPLUS);
        QVERIFY(h.datarecords_in_file == 7);
        QCOMPARE(readFile(m_out).mid(8, 46), QByteArray("HC_4711 F 31-JAN-1950 Garcia_Lopez,_Ana_Maria "));
        QCOMPARE(QString("%1|%2|%3.%4.%5 %6:%7:%8").arg(h.technician, h.equipment).arg(h.startdate_day).arg(h.startdate_month)
                     .arg(h.startdate_year).arg(h.starttime_hour).arg(h.starttime_minute).arg(h.starttime_second),
                 QString("Dr Ruiz|Cardiolane|2.6.2026 8:30:15"));
        QStringList labels;
        for (const edf_param_struct &p : h.signalparam)
            labels << QString("%1 %2 %3").arg(p.label).arg(p.physdimension).arg(p.smp_in_datarecord).simplified();
        QCOMPARE(labels.mid(0, h.edfsignals), QStringList({"ECG V5 mV 250", "HR bpm 1", "SpO2 % 1", "Temp degC 1"}));

        // The counts exactly, their millivolts as `recording export` has them,
        // the last second completed with zeros.
        QVERIFY(cli({"recording", "export", m_session->recording()->path(), m_storage.root() + "/out.csv"}) == 0);
        const QList<QByteArray> rows = readFile(m_storage.root() + "/out.csv").trimmed().split('\n').mid(1);
        std::vector<int> counts = m_counts;
        counts.resize(7 * 250);
        QCOMPARE(edf.digital(0, 8 * 250), counts);
        std::vector<double> mV(rows.size());
        edfrewind(h.handle, 0);
        QCOMPARE(edfread_physical_samples(h.handle, 0, rows.size(), mV.data()), rows.size());
        for (int k = 0; k < rows.size(); ++k)
            QVERIFY2(std::abs(mV[size_t(k)] - rows[k].split(',').at(1).toDouble()) < 1e-4, qPrintable(QString::number(k)));
        QCOMPARE(edf.digital(1, 8), std::vector<int>({70, 72, 0, 75, 80, 82, 90}));
        QCOMPARE(edf.digital(2, 8), std::vector<int>({97, 0, 98, 0, 0, 0, 0}));
        QCOMPARE(edf.digital(3, 3), std::vector<int>({3655, 0, 3661}));

        // Events and readings at their times, long texts in pieces that fit.
        QCOMPARE(edf.annotations(),
                 QStringList({"0 Clock set back", "0 Start monitoring", "0 Note 0", "1 Note 1", "1.25 BP 130/85 mmHg, basal",
                              "2 Increased load", "2 Note 2", "2.5 Alarm: ASYSTOLE (high)", "3 Ana said the pain in her chest...",
                              "3 radiates to the jaw", "3 Note 3", "3.4 Alarm acknowledged: ASYSTOLE", "4 Note 4",
                              "4.1 Alarm ended: ASYSTOLE", "4.5 BP 120/80 mmHg, post-exercise",
                              "5 Note 5", "5.5 ECG missing"}));
    }

    void anonymizedFileHoldsNoName()
    {
        // Typed texts go whatever they hold; the station's own texts stay
        // without anything that identifies the patient.
        PatientRecord patient = m_patient;
        patient.personIdNumber = QStringLiteral("12.345.678-Z");
        patient.phoneNumber = QStringLiteral("+34 612 345 678");
        const QVector<SessionEvent> events = m_session->events;
        const QVector<AlarmLogEntry> alarms = m_session->alarmLog;
        m_session->events = {{1, "Ana_ok, hc4711, DNI 12345678Z"}, {2, "tel 612-345-678, born 31/01/1950"},
                             {3, QString::fromUtf8("GARCI\u0301A2 MARI\u0301A 1950-01-31")}};
        m_session->alarmLog.append({4.2, AlarmLogEntry::Onset, "x", "low", "Maria 612345678 HC-4711"});
        EdfExportOptions options;
        options.anonymize = true;
        options.technician = QStringLiteral("Dr Ruiz");
        const QString error = exportError(*m_session, patient, m_out, options);
        m_session->events = events;
        m_session->alarmLog = alarms;
        QCOMPARE(error, QString());
        const QByteArray bytes = readFile(m_out).toLower();
        QCOMPARE(bytes.mid(8, 8), QByteArray("x x x x "));
        for (const char *part : {"ana", "mar", "garc", "pez", "4711", "345", "678", "1950", "31/01", "ruiz"})
            QVERIFY2(!bytes.contains(part), part);
        const QStringList notes = EdfFile(m_out).annotations();
        QCOMPARE(notes.filter("Event").size(), 3);
        QVERIFY(notes.contains("1.25 BP 130/85 mmHg, basal"));
        QVERIFY(notes.contains("2.5 Alarm: ASYSTOLE (high)"));
        QVERIFY(notes.contains("4.2 Alarm: X X X (low)"));
    }

    void identityInAnyForm_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        const QString nfd = QString::fromUtf8("Mari\u0301a Garci\u0301a");
        QTest::newRow("name next to _ and digits") << "Ana_ok ana2 ANA" << "X_ok X2 X";
        QTest::newRow("longer words stay") << "Anabel Marianne" << "Anabel Marianne";
        QTest::newRow("decomposed accents") << nfd << "X X";
        QTest::newRow("accent moved or dropped") << "Garcíá LOPEZ lópez" << "X X X";
        QTest::newRow("record number") << "HC 4711 / hc-4711 / 47112" << "X / X / X2";
        QTest::newRow("identity number") << "dni 12345678z, 12.345.678" << "dni X, X";
        QTest::newRow("telephone") << "0034 612345678, 612 34 56 78" << "00X, X";
        QTest::newRow("birth date") << "31/01/1950 1950-01-31 31.1.1950 310150" << "X X X X";
        QTest::newRow("other numbers stay") << "HR 163 > 120, 31/01/2026" << "HR 163 > 120, 31/01/2026";
    }

    void identityInAnyForm()
    {
        QFETCH(QString, text);
        PatientRecord patient = m_patient;
        patient.personIdNumber = QStringLiteral("12345678-Z");
        patient.phoneNumber = QStringLiteral("+34 612 345 678");
        QTEST(withoutPatientIdentity(text, patient), "expected");
    }

    void sessionWithinTheModulesRange()
    {
        // Counts beyond the module's range widen it (above); within it, the
        // range is the module's, exact in the header, and so is every value.
        // Trends without a reading are left out.
        const std::unique_ptr<MonitorSession> s = m_storage->openSession(m_patient.id, 3);
        QCOMPARE(exportError(*s, m_patient, m_out), QString());
        EdfFile edf(m_out);
        const edf_param_struct &ecg = edf.hdr.signalparam[0];
        QVERIFY(edf.hdr.edfsignals == 2);
        QVERIFY(ecg.phys_min == -6);
        QVERIFY(ecg.phys_max == 6);
        QVERIFY(ecg.dig_min == -256);
        QVERIFY(ecg.dig_max == 256);
        std::vector<double> mV(4);
        QCOMPARE(edfread_physical_samples(edf.hdr.handle, 0, 4, mV.data()), 4);
        QCOMPARE(mV, std::vector<double>({-6, 0, 6, 100 * 12.0 / 512}));
        // One second holds 64 notes at most.
        s->events.resize(65);
        QCOMPARE(exportError(*s, m_patient, m_out), QStringLiteral("The session has more annotations than its recording can hold"));
    }

    // The ST trend as a signal beside the HR, a value a second; ST alarms as
    // annotations like every alarm. An SpO2 reading in every second is kept.
    void stTrendAndStAlarms()
    {
        std::unique_ptr<MonitorSession> s = m_storage->openSession(m_patient.id, 1);
        s->spo2Trend = {96, 97, 98, 97, 96, 95, 94};
        s->stTrend.analysed = true;
        s->stTrend.trend = {{2.0, -50.0}, {4.0, -130.4}, {6.0, 20.0}};
        s->alarmLog = {{3.0, AlarmLogEntry::Onset, "stChange", "medium", "ST change -1.3 mm"}};
        QCOMPARE(exportError(*s, m_patient, m_out), QString());
        EdfFile edf(m_out);
        QCOMPARE(edf.hdr.edfsignals, 5);
        const edf_param_struct &st = edf.hdr.signalparam[4];
        QCOMPARE(QString("%1 %2 %3").arg(st.label).arg(st.physdimension).arg(st.smp_in_datarecord).simplified(),
                 QString("ST uV 1"));
        QCOMPARE(edf.digital(2, 8), std::vector<int>({96, 97, 98, 97, 96, 95, 94}));
        QCOMPARE(edf.digital(4, 8), std::vector<int>({-50, -50, -130, -130, 20, 20, 0}));
        QVERIFY(edf.annotations().contains("3 Alarm: ST change -1.3 mm (medium)"));
    }

    // Missing ECG is never a silent flat line: each gap and the time after
    // the last sample are marked with their durations, the ECG after a gap
    // is at its true time, and the file holds its last note.
    void missingEcgIsMarked()
    {
        auto s = m_storage.startSession(m_patient.id, QDateTime(QDate(2026, 6, 8), QTime(8, 0)));
        std::vector<qint16> before(500, 11), after(250, 22);
        const qint16 *first[] = {before.data()}, *second[] = {after.data()};
        s->recording()->appendChannels(first, 500);
        s->recording()->appendGap(750);
        s->recording()->appendChannels(second, 250);
        s->hrTrend = QVector<int>(10, 80); // the recording was cut short at 6 s
        s->alarmLog = {{11.2, AlarmLogEntry::Onset, "link", "medium", "Link lost"},
                       {12.3, AlarmLogEntry::End, "link", "medium", "Link lost"}};
        m_storage->updateSession(*s);
        const std::unique_ptr<MonitorSession> opened = m_storage->openSession(m_patient.id, s->sessionNumber);
        const QString out = m_storage.root() + "/gaps.edf";
        QCOMPARE(exportSessionEdf(*opened, m_patient, out).missingSeconds, 10.0);
        {
            EdfFile edf(out);
            QVERIFY(edf.ok);
            QVERIFY(edf.hdr.datarecords_in_file == 13);
            QStringList marked;
            for (edf_annotation_struct a; edf_get_annotation(edf.hdr.handle, marked.size(), &a) == 0;)
                marked << QStringLiteral("%1+%2 %3").arg(a.onset / 1e7).arg(a.duration_l / 1e7).arg(a.annotation);
            QCOMPARE(marked.filter("ECG missing"), QStringList({"2+3 ECG missing", "6+7 ECG missing"}));
            QVERIFY(marked.last().startsWith("12.3"));
            const std::vector<int> ecg = edf.digital(0, 1500);
            QVERIFY(ecg[499] == 11);
            QVERIFY(ecg[500] == 0);
            QVERIFY(ecg[1249] == 0);
            QVERIFY(ecg[1250] == 22);
            QVERIFY(ecg[1499] == 22);
        }
        // A recording without gaps that covers its trends says nothing more.
        const std::unique_ptr<MonitorSession> whole = m_storage->openSession(m_patient.id, 3);
        QCOMPARE(exportSessionEdf(*whole, m_patient, out).missingSeconds, 0.0);
        QVERIFY(EdfFile(out).annotations().filter("ECG missing").isEmpty());
    }

    void textHelpers()
    {
        const QString text = QStringLiteral("Ünïcode 😀 ") + QString(60, 'w') + " end";
        QString joined;
        for (const QString &p : splitAnnotationText(text, 40)) {
            QVERIFY(p.toUtf8().size() <= 40);
            joined += p.endsWith("...") ? p.chopped(3) : p;
        }
        QCOMPARE(joined.remove(' '), QString(text).remove(' ')); // nothing lost
        QCOMPARE(withoutPatientName("maria, Garcia-lópez y Anabel", m_patient), QStringLiteral("X, X-X y Anabel"));
    }

    void longNamesFit()
    {
        // A target name of 254 bytes, and a technician's name longer than the
        // header holds: cut, and the companion says so.
        const QString out = m_storage.root() + "/" + QString(250, 'e') + ".edf";
        EdfExportOptions options;
        options.technician = QString(60, 't');
        QCOMPARE(exportError(*m_session, m_patient, out, options), QString());
        QCOMPARE(QString(EdfFile(out).hdr.technician), QString(40, 't'));
        QByteArray error;
        QCOMPARE(cli({"export", "--root", m_storage.root(), "--patient", "1", "--session", "1", "--technician",
                      QString(45, 'u'), out}, &error), 0);
        QVERIFY(error.contains("--technician is longer than 40 characters"));
        QCOMPARE(QString(EdfFile(out).hdr.technician), QString(40, 'u'));
        QCOMPARE(QDir(m_storage.root()).entryList({"*eeee*"}, QDir::Files | QDir::Hidden), QStringList{QFileInfo(out).fileName()});
        QVERIFY(QFile::remove(out));
    }

    void companionRefusals()
    {
        // Missing option; no such patient or session; an absent patient's
        // session without ECG; a target in a missing folder, or a folder.
        const QByteArray before = readFile(m_out);
        const QString out = m_out, root = m_storage.root();
        const QVector<QPair<QString, int>> cases = {
            {"--session 1 " + out, 2}, {"--patient 99 --session 1 " + out, 1}, {"--patient 1 --session 9 " + out, 1},
            {"--patient 1 --session 2 " + out, 1}, {"--patient 1 --session 1 " + out + "/no/x.edf", 1},
            {"--patient 1 --session 1 " + root, 1}};
        for (const auto &c : cases) {
            QVERIFY2(cli(QStringList{"export", "--root", root} + c.first.split(' ')) == c.second, qPrintable(c.first));
            QCOMPARE(readFile(m_out), before);
        }
    }

    void failedWriteKeepsPreviousFile()
    {
        // Too small for the header, and too small for the last bytes.
        QCOMPARE(exportError(*m_session, m_patient, m_out), QString());
        const qint64 size = QFileInfo(m_out).size() - 100;
        QVERIFY(writeFile(m_out, "previous"));
        for (const qint64 limit : {qint64(1000), size}) {
            QString error;
            {
                const FileSizeLimit full(limit);
                error = exportError(*m_session, m_patient, m_out);
            }
            QCOMPARE(error, QStringLiteral("Write error"));
            QCOMPARE(readFile(m_out), QByteArray("previous"));
            QCOMPARE(QDir(m_storage.root()).entryList({"*out.edf*"}, QDir::Files | QDir::Hidden), QStringList{"out.edf"});
        }
    }
};

QTEST_GUILESS_MAIN(TestEdf)
#include "tst_edf.moc"
