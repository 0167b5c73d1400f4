#include "reports/reportvalues.h"

#include "storage/monitorsession.h"
#include "storage/safefilename.h"
#include "storage/sessionhistory.h"
#include "storage/storedtime.h"

namespace reportvalues {

namespace {

// Sum and count of the values above 0 of one measure.
struct Mean
{
    double sum = 0.0;
    int count = 0;

    void add(double value)
    {
        if (value > 0.0) {
            sum += value;
            ++count;
        }
    }
    double value() const { return count > 0 ? sum / count : 0.0; }
};

QString fileName(const QString &lastName, const QString &firstName, const QString &stamp)
{
    return QStringLiteral("%1-%2-%3.pdf").arg(safeFileNamePart(lastName), safeFileNamePart(firstName), stamp);
}

} // namespace

QString ageText(const QDate &birthDate, const QDate &at)
{
    if (!birthDate.isValid() || !at.isValid())
        return QString();
    return QString::number(at.year() - birthDate.year());
}

QString shortNumber(double value)
{
    return QString::number(value, 'g', 6);
}

QString fixedNumber(double value, int decimals)
{
    return QString::number(value, 'f', decimals);
}

QString eventsText(const MonitorSession &session)
{
    QString text;
    for (const SessionEvent &event : session.events)
        text += QStringLiteral("%1 %2\r\n")
                    .arg(session.startDateTime.addSecs(event.timeOffset).toString(QStringLiteral("HH:mm")),
                         event.description);
    return text;
}

QVector<int> markedEvents(const MonitorSession &session)
{
    QVector<int> marked;
    for (int i = 0; i < session.events.size(); ++i)
        if (session.events[i].print)
            marked.append(i);
    return marked;
}

QVector<StripRef> summaryStrips(const QList<const MonitorSession *> &sessions)
{
    QVector<StripRef> strips;
    if (sessions.isEmpty())
        return strips;
    for (int e : markedEvents(*sessions.first()))
        strips.append({0, e});
    if (sessions.size() >= 2)
        for (int e : markedEvents(*sessions.last()))
            strips.append({sessions.size() - 1, e});
    return strips;
}

Averages averages(const QList<const MonitorSession *> &sessions)
{
    Mean weight, height, abdomen, borg, heartRate[3], systolic[3];
    for (const MonitorSession *s : sessions) {
        weight.add(s->weight);
        height.add(s->height);
        abdomen.add(s->abdomen);
        borg.add(s->borgRPE);
        for (int phase = PhaseBasal; phase <= PhasePostExercise; ++phase) {
            const Checkpoint c = s->checkpoint(phase);
            heartRate[phase - 1].add(c.heartRate);
            systolic[phase - 1].add(c.sysBP);
        }
    }
    Averages result;
    result.weight = weight.value();
    result.height = height.value();
    result.abdomen = abdomen.value();
    result.bmi = bodyMassIndex(result.weight, result.height);
    result.borg = borg.value();
    for (int k = 0; k < 3; ++k) {
        result.heartRate[k] = heartRate[k].value();
        result.systolic[k] = systolic[k].value();
    }
    return result;
}

QString sessionReportFileName(const QString &lastName, const QString &firstName, const QDateTime &start)
{
    return fileName(lastName, firstName, StoredTime::toText(start));
}

QString summaryReportFileName(const QString &lastName, const QString &firstName, const QDate &lastSession)
{
    return fileName(lastName, firstName, lastSession.toString(QStringLiteral("yyyyMMdd")));
}

} // namespace reportvalues
