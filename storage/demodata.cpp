#include "storage/demodata.h"

#include "dsp/tsyntheticecg.h"
#include "storage/monitordatabase.h"

#include <QFile>
#include <QStringList>

#include <algorithm>
#include <cmath>
#include <random>

namespace {

// Numbers from the raw std::mt19937 stream, whose output the standard fixes
// (the library's distributions are not), so a seed gives the same data
// everywhere.
class Random
{
public:
    explicit Random(quint32 seed) : m_engine(seed) {}
    double uniform() { return (double(m_engine()) + 0.5) / 4294967296.0; } // (0, 1)
    double range(double low, double high) { return low + (high - low) * uniform(); }
    int integer(int low, int high) { return low + int(uniform() * (high - low + 1)); } // [low, high]
    bool chance(double p) { return uniform() < p; }
    template<typename T>
    const T &pick(const QList<T> &list) { return list.at(integer(0, list.size() - 1)); }
    quint32 raw() { return m_engine(); }

private:
    std::mt19937 m_engine;
};

const QStringList FirstNamesF = {"María", "Ana", "Lucía", "Inés", "Sofía", "Mónica", "Raquel", "Begoña", "Noemí"};
const QStringList FirstNamesM = {"José", "Juan", "Andrés", "Jesús", "Ramón", "Iñaki", "Julián", "Tomás", "Óscar"};
const QStringList LastNames = {"García", "Martínez", "López", "Sánchez", "Pérez", "Gómez", "Fernández",
                               "Núñez", "Muñoz", "Jiménez", "Díaz", "Álvarez", "Romero", "Castaño"};
const QStringList Cities = {"Córdoba", "Málaga", "León", "Cádiz", "Ávila", "Almería"};
const QStringList States = {"Andalucía", "Castilla y León", "Andalucía", "Andalucía", "Castilla y León", "Andalucía"};
const QStringList Streets = {"Calle Mayor", "Avenida de la Constitución", "Plaza de España", "Calle Real",
                             "Paseo del Prado"};
const QStringList MedicalGroups = {"Sanitas", "Adeslas", "Asisa", "Servicio Público de Salud"};
const QStringList Risks = {"Hypertension, dyslipidaemia", "Type 2 diabetes, former smoker",
                           "Obesity, sedentary lifestyle", "Family history of coronary disease"};
const QStringList Medication = {"Aspirin 100 mg, atorvastatin 40 mg, bisoprolol 2.5 mg",
                                "Clopidogrel 75 mg, ramipril 5 mg, metformin 850 mg",
                                "Aspirin 100 mg, rosuvastatin 20 mg"};
const QStringList Comments = {"Acute myocardial infarction treated with angioplasty and stent.",
                              "Coronary bypass surgery, three grafts.", "Stable angina, medical treatment.",
                              "Heart failure with preserved ejection fraction."};
const QStringList Adaptations = {"Good", "Fair", "Excellent"};
const QStringList Conclusions = {"Completed the programme without incidents.",
                                 "Improved exercise tolerance; continue at home.", "Programme in progress."};
const QStringList ExerciseTypes = {"Treadmill", "Cycle ergometer", "Arm ergometer", "Circuit training"};
const QStringList Symptoms = {"None", "None", "None", "Mild fatigue", "Leg tiredness", "Mild dyspnoea"};
const QStringList SessionConclusions = {"Good tolerance.", "Good tolerance, load increased.",
                                        "Session completed without incidents.", "Tolerated; keep the load."};

QString digits(Random &random, int count)
{
    QString text;
    for (int i = 0; i < count; ++i)
        text.append(QChar('0' + random.integer(0, 9)));
    return text;
}

QUuid randomUuid(Random &random)
{
    const quint32 a = random.raw(), b = random.raw(), c = random.raw(), d = random.raw();
    // Version 4, variant 1, like a generated uuid.
    return QUuid(a, quint16(b >> 16), quint16((b & 0x0FFF) | 0x4000), uchar(((c >> 24) & 0x3F) | 0x80),
                 uchar(c >> 16), uchar(c >> 8), uchar(c), uchar(d >> 24), uchar(d >> 16), uchar(d >> 8), uchar(d));
}

PatientRecord makePatient(Random &random)
{
    PatientRecord p;
    p.uuid = randomUuid(random);
    const bool female = random.chance(0.3);
    p.sex = female ? QStringLiteral("F") : QStringLiteral("M");
    p.firstName = random.pick(female ? FirstNamesF : FirstNamesM);
    p.lastName = random.pick(LastNames) + QLatin1Char(' ') + random.pick(LastNames);
    p.birthDate = QDate(random.integer(1940, 1975), random.integer(1, 12), random.integer(1, 28));
    p.personIdType = QStringLiteral("DNI");
    p.personIdNumber = digits(random, 8) + QChar('A' + random.integer(0, 25));
    p.medicalGroupName = random.pick(MedicalGroups);
    p.medicalGroupNumber = digits(random, 10);
    p.medicalHistoryNumber = digits(random, 6);
    const int city = random.integer(0, Cities.size() - 1);
    p.address = QStringLiteral("%1 %2").arg(random.pick(Streets)).arg(random.integer(1, 120));
    p.city = Cities.at(city);
    p.state = States.at(city);
    p.country = QStringLiteral("España");
    p.phoneNumber = QStringLiteral("6") + digits(random, 8);
    p.comments = random.pick(Comments);
    p.risks = random.pick(Risks);
    p.medication = random.pick(Medication);
    p.adaptation = random.pick(Adaptations);
    p.conclusion = random.pick(Conclusions);
    return p;
}

// Rest, warm-up, exercise plateau and recovery, one heart rate per second.
std::vector<double> heartRateCourse(Random &random, int seconds, double rest, double peak)
{
    std::vector<double> course(size_t(std::max(seconds, 0)));
    const double basal = 0.15 * seconds, rampEnd = 0.35 * seconds, plateauEnd = 0.8 * seconds;
    double drift = 0.0;
    for (int t = 0; t < seconds; ++t) {
        double target;
        if (t < basal)
            target = rest;
        else if (t < rampEnd)
            target = rest + (peak - rest) * (t - basal) / std::max(1.0, rampEnd - basal);
        else if (t < plateauEnd)
            target = peak;
        else
            target = peak - (peak - rest) * 0.8 * (1.0 - std::exp(-(t - plateauEnd) / 40.0));
        drift = 0.95 * drift + random.range(-0.6, 0.6);
        course[size_t(t)] = target + drift;
    }
    return course;
}

void fillSession(MonitorSession &session, Random &random, int seconds, double rest, double peak)
{
    const std::vector<double> course = heartRateCourse(random, seconds, rest, peak);
    int spo2 = random.integer(96, 98);
    double temperature = random.range(36.2, 36.6);
    for (int t = 0; t < seconds; ++t) {
        session.hrTrend.append(int(std::lround(course[size_t(t)])));
        if (random.chance(0.1))
            spo2 = std::clamp(spo2 + random.integer(-1, 1), 93, 99);
        temperature = std::clamp(temperature + random.range(-0.01, 0.012), 35.9, 37.3);
        // Now and then a second without a reading, as from a real source.
        const bool missing = random.chance(0.02);
        session.spo2Trend.append(missing ? 0 : spo2);
        session.tempTrend.append(missing ? 0.0 : std::round(temperature * 10.0) / 10.0);
    }

    // The ECG follows the heart-rate course.
    TSyntheticEcgOptions options;
    options.seed = random.raw();
    options.baselineWander = true;
    options.muscleNoise = random.chance(0.5);
    TSyntheticEcg generator(options);
    std::vector<qint16> ecg = generator.generate(course);
    TFileSignal *recording = session.recording();
    for (size_t at = 0; recording && at < ecg.size(); at += 1000) {
        const qint16 *channels[] = {ecg.data() + at};
        recording->appendChannels(channels, int(std::min<size_t>(1000, ecg.size() - at)));
    }

    // Blood pressure in the three phases, each with a printed event.
    const double moments[3] = {0.08, 0.6, 0.95};
    int sys = random.integer(115, 140), dia = random.integer(70, 85);
    QVector<SessionEvent> events;
    for (int phase = PhaseBasal; phase <= PhasePostExercise; ++phase) {
        // Within the recorded seconds; a session of no seconds gets offset 0.
        const int at = std::max(0, std::min(seconds - 1, int(moments[phase - 1] * seconds)));
        Checkpoint c;
        c.timeOffset = at;
        c.heartRate = session.hrTrend.value(at);
        c.sysBP = sys + (phase == PhaseIntraExercise ? random.integer(15, 35) : random.integer(-5, 5));
        c.diaBP = dia + random.integer(-4, 6);
        session.setCheckpoint(phase, c);
        events.append(SessionEvent{at, QStringLiteral("BP %1/%2").arg(c.sysBP).arg(c.diaBP), true});
    }
    if (random.chance(0.4)) {
        const int at = int(random.range(0.3, 0.75) * seconds);
        events.append(SessionEvent{at, QStringLiteral("Increased load"), false});
    }
    if (random.chance(0.25)) {
        const int at = int(random.range(0.4, 0.8) * seconds);
        events.append(SessionEvent{at, QStringLiteral("Patient reports mild dizziness"), true});
    }
    std::stable_sort(events.begin(), events.end(),
                     [](const SessionEvent &a, const SessionEvent &b) { return a.timeOffset < b.timeOffset; });
    events.append(SessionEvent{seconds, QStringLiteral("Stop monitoring"), false});
    session.events = events;
}

// A start time whose file names are still free, so a second run on the same
// root never overwrites an earlier session.
QDateTime freeStart(MonitorDatabase &database, const PatientRecord &patient, QDateTime start)
{
    for (;;) {
        const QString base = MonitorDatabase::makeBaseFilename(patient, start);
        if (!QFile::exists(database.studyPath(base)) && !QFile::exists(database.recordingPath(base)))
            return start;
        start = start.addSecs(60);
    }
}

} // namespace

DemoDataResult fillDemoData(MonitorDatabase &database, const DemoDataOptions &options)
{
    Random random(options.seed);
    DemoDataResult result;
    const QDateTime firstDay(QDate(2026, 3, 2), QTime(8, 0));
    const int seconds = std::max(0, options.minutes) * 60;
    for (int p = 0; p < options.patients; ++p) {
        PatientRecord patient = makePatient(random);
        database.insertPatient(patient);
        ++result.patients;

        const double height = patient.sex == QLatin1String("F") ? random.range(152, 172) : random.range(163, 188);
        double weight = height - 100.0 + random.range(-5, 18);
        double abdomen = weight + random.range(5, 20);
        const double rest = random.range(62, 80);
        double peak = rest + random.range(25, 40);
        QDateTime day = firstDay.addSecs(60 * 20 * p);
        const QString exercise = random.pick(ExerciseTypes);
        for (int s = 0; s < options.sessions; ++s) {
            SessionData data;
            data.patientId = patient.id;
            data.sessionNumber = database.nextSessionNumber(patient.id);
            data.presence = s == 0 || !random.chance(0.15);
            data.startDateTime = freeStart(database, patient, day);
            data.exerciseType = exercise;
            // A course of training: a little lighter and fitter every session.
            weight -= random.range(-0.2, 0.5);
            abdomen -= random.range(-0.2, 0.4);
            peak += random.range(0, 1.5);
            data.weight = std::round(weight * 10.0) / 10.0;
            data.height = std::round(height);
            data.abdomen = std::round(abdomen);
            std::unique_ptr<MonitorSession> session = database.startSession(data);
            if (!session)
                break;
            if (data.presence) {
                fillSession(*session, random, seconds, rest + random.range(-3, 3), peak);
                // Moderate exertion on the station's 1-10 rating scale.
                session->borgRPE = random.integer(3, 7);
                session->symptoms = random.pick(Symptoms);
                session->conclusion = random.pick(SessionConclusions);
            } else {
                ++result.absentSessions;
            }
            database.updateSession(*session);
            ++result.sessions;
            day = day.addDays(random.chance(0.5) ? 2 : 3);
        }
    }
    return result;
}
