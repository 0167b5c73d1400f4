#include "reports/reportvalues.h"

#include "storage/monitorsession.h"
#include "storage/recordrules.h"
#include "storage/safefilename.h"
#include "storage/sessionhistory.h"
#include "storage/tfilesignal.h"
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

bool needsEventList(const MonitorSession &session)
{
    if (session.events.size() > EventsInBox)
        return true;
    for (const SessionEvent &event : session.events)
        if (event.description.size() > BoxDescriptionLength)
            return true;
    return false;
}

} // namespace

QString ageText(const QDate &birthDate, const QDate &at)
{
    return RecordRules::ageText(birthDate, at);
}

QString shortNumber(double value)
{
    return QString::number(value, 'g', 6);
}

QString fixedNumber(double value, int decimals)
{
    return QString::number(value, 'f', decimals);
}

QString eventsBoxText(const MonitorSession &session)
{
    const int count = session.events.size();
    const int lines = count > EventsInBox ? EventsInBox - 1 : count;
    QString text;
    for (int i = 0; i < lines; ++i) {
        const SessionEvent &event = session.events[i];
        text += RecordRules::eventLine(session.startDateTime, event.timeOffset,
                                       event.description.left(BoxDescriptionLength * 4))
                + QStringLiteral("\r\n");
    }
    if (lines < count)
        text += QStringLiteral("\u2026 y %1 eventos más en la lista de eventos\r\n").arg(count - lines);
    return text;
}

QString elapsedText(qint64 seconds)
{
    const qint64 s = qMax<qint64>(0, seconds);
    if (s < 3600)
        return QStringLiteral("%1:%2").arg(s / 60, 2, 10, QLatin1Char('0')).arg(s % 60, 2, 10, QLatin1Char('0'));
    return QStringLiteral("%1:%2:%3")
        .arg(s / 3600)
        .arg(s / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(s % 60, 2, 10, QLatin1Char('0'));
}

QVector<ListedEvent> eventList(const MonitorSession &session)
{
    QVector<ListedEvent> rows;
    if (!needsEventList(session))
        return rows;
    const int count = session.events.size();
    const int listed = qMin(count, MaxListedEvents);
    rows.reserve(listed + 1);
    for (int i = 0; i < listed; ++i) {
        const SessionEvent &event = session.events[i];
        rows.append({session.startDateTime.addSecs(event.timeOffset).toString(QStringLiteral("HH:mm:ss")),
                     elapsedText(event.timeOffset), event.description});
    }
    if (listed < count)
        rows.append({QString(), QString(),
                     QStringLiteral("\u2026 Eventos no impresos en este informe: %1").arg(count - listed)});
    return rows;
}

QVector<int> markedEvents(const MonitorSession &session)
{
    QVector<int> marked;
    for (int i = 0; i < session.events.size(); ++i)
        if (session.events[i].print)
            marked.append(i);
    return marked;
}

bool hasRecording(const MonitorSession &session)
{
    return session.recording() && session.recording()->sampleCount() > 0;
}

QVector<StripRef> summaryStrips(const QList<const MonitorSession *> &sessions)
{
    QVector<int> recorded;
    for (int i = 0; i < sessions.size(); ++i)
        if (hasRecording(*sessions[i]))
            recorded.append(i);
    QVector<StripRef> strips;
    if (recorded.isEmpty())
        return strips;
    for (int e : markedEvents(*sessions[recorded.first()]))
        strips.append({recorded.first(), e});
    if (recorded.size() > 1)
        for (int e : markedEvents(*sessions[recorded.last()]))
            strips.append({recorded.last(), e});
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
    result.bmi = RecordRules::bodyMassIndex(result.weight, result.height);
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
