#include "storage/edfannotations.h"

#include "storage/monitorsession.h"
#include "storage/patientrecord.h"
#include "storage/studyfile.h"

#include <QCoreApplication>
#include <QRegularExpression>

#include <algorithm>

namespace {

QString phaseText(int phase)
{
    switch (phase) {
    case PhaseBasal: return QCoreApplication::translate("EdfAnnotations", "basal");
    case PhaseIntraExercise: return QCoreApplication::translate("EdfAnnotations", "intra-exercise");
    case PhasePostExercise: return QCoreApplication::translate("EdfAnnotations", "post-exercise");
    default: return QString();
    }
}

QString withoutAccents(const QString &text)
{
    QString plain;
    for (const QChar c : text.normalized(QString::NormalizationForm_KD))
        if (c.category() != QChar::Mark_NonSpacing)
            plain.append(c);
    return plain;
}

// "Alarm: ASYSTOLE (high)", "Alarm acknowledged: ..." and "Alarm ended: ...".
QString alarmText(const AlarmLogEntry &entry)
{
    switch (entry.kind) {
    case AlarmLogEntry::Onset: {
        // The stored priority is a fixed name; the annotation says it in the station's language.
        const QString priority = entry.priority == QLatin1String("high")
            ? QCoreApplication::translate("EdfAnnotations", "high")
            : entry.priority == QLatin1String("medium") ? QCoreApplication::translate("EdfAnnotations", "medium")
            : entry.priority == QLatin1String("low")    ? QCoreApplication::translate("EdfAnnotations", "low")
                                                        : entry.priority;
        return QCoreApplication::translate("EdfAnnotations", "Alarm: %1 (%2)").arg(entry.text, priority);
    }
    case AlarmLogEntry::Acknowledged:
        return QCoreApplication::translate("EdfAnnotations", "Alarm acknowledged: %1").arg(entry.text);
    case AlarmLogEntry::End:
        break;
    }
    return QCoreApplication::translate("EdfAnnotations", "Alarm ended: %1").arg(entry.text);
}

int utf8Length(uint codePoint)
{
    return codePoint < 0x80 ? 1 : codePoint < 0x800 ? 2 : codePoint < 0x10000 ? 3 : 4;
}

} // namespace

QVector<EdfAnnotation> rhythmAnnotations(const QVector<RhythmEpisode> &episodes)
{
    // One onset and one end per stretch of AF: episodes of AF next to each
    // other (split where monitoring restarted) make one stretch.
    QVector<EdfAnnotation> list;
    for (int i = 0; i < episodes.size(); ++i) {
        if (episodes[i].label != RhythmLabel::AtrialFibrillation)
            continue;
        qint64 end = episodes[i].end;
        const qint64 start = episodes[i].start;
        while (i + 1 < episodes.size() && episodes[i + 1].label == RhythmLabel::AtrialFibrillation
               && episodes[i + 1].start == end)
            end = episodes[++i].end;
        list.append({double(start) / RhythmRate, QCoreApplication::translate("EdfAnnotations", "AF onset")});
        list.append({double(end) / RhythmRate, QCoreApplication::translate("EdfAnnotations", "AF end")});
    }
    return list;
}

QVector<EdfAnnotation> sessionAnnotations(const MonitorSession &session)
{
    QVector<EdfAnnotation> list;
    for (const SessionEvent &event : session.events)
        list.append({double(event.timeOffset), event.description});
    for (int phase = PhaseBasal; phase <= PhasePostExercise; ++phase) {
        const Checkpoint c = session.checkpoint(phase);
        // A phase whose reading was never entered holds zeros.
        if (c.sysBP == 0 && c.diaBP == 0)
            continue;
        list.append({c.timeOffset, QCoreApplication::translate("EdfAnnotations", "BP %1/%2 mmHg, %3")
                                       .arg(c.sysBP)
                                       .arg(c.diaBP)
                                       .arg(phaseText(phase))});
    }
    for (const AlarmLogEntry &entry : session.alarmLog)
        list.append({entry.timeOffset, alarmText(entry)});
    for (const EdfAnnotation &a : rhythmAnnotations(session.rhythmEpisodes))
        list.append(a);
    std::stable_sort(list.begin(), list.end(),
                     [](const EdfAnnotation &a, const EdfAnnotation &b) { return a.onset < b.onset; });
    return list;
}

QString withoutPatientName(const QString &text, const PatientRecord &patient)
{
    QStringList parts;
    const QString names = patient.firstName + QLatin1Char(' ') + patient.lastName;
    for (const QString &part : names.split(QRegularExpression(QStringLiteral("[\\s\\-]+")), Qt::SkipEmptyParts)) {
        // Single letters (initials) would wipe ordinary words.
        if (part.size() < 2)
            continue;
        parts << QRegularExpression::escape(part) << QRegularExpression::escape(withoutAccents(part));
    }
    if (parts.isEmpty())
        return text;
    const QRegularExpression name(QStringLiteral("(?<!\\w)(%1)(?!\\w)").arg(parts.join(QLatin1Char('|'))),
                                  QRegularExpression::CaseInsensitiveOption
                                      | QRegularExpression::UseUnicodePropertiesOption);
    return QString(text).replace(name, QStringLiteral("X"));
}

QStringList splitAnnotationText(const QString &text, int maxBytes)
{
    const QString line = text.simplified();
    if (line.toUtf8().size() <= maxBytes)
        return {line};
    static const QString more = QStringLiteral("...");
    const int room = std::max(1, maxBytes - int(more.size()));
    // Cut between code points, never inside a surrogate pair.
    const QVector<uint> points = line.toUcs4();
    QStringList pieces;
    int start = 0;
    while (start < points.size()) {
        // The longest run from start that fits, with "..." after it unless
        // it reaches the end of the text.
        int end = start, bytes = 0, lastSpace = -1;
        while (end < points.size() && bytes + utf8Length(points[end]) <= maxBytes) {
            bytes += utf8Length(points[end]);
            ++end;
            if (bytes <= room && end < points.size() && points[end] == ' ')
                lastSpace = end;
        }
        if (end < points.size()) {
            // Back to the last word that leaves room for "...", or cut inside
            // a word longer than a whole piece.
            if (lastSpace > start) {
                end = lastSpace;
            } else {
                end = start;
                for (bytes = 0; bytes + utf8Length(points[end]) <= room; ++end)
                    bytes += utf8Length(points[end]);
                end = std::max(end, start + 1);
            }
        }
        QString piece = QString::fromUcs4(points.constData() + start, end - start).trimmed();
        if (end < points.size())
            piece += more;
        pieces << piece;
        start = end;
        while (start < points.size() && points[start] == ' ')
            ++start;
    }
    return pieces;
}

QByteArray edfHeaderText(const QString &text)
{
    QByteArray ascii;
    for (const QChar c : withoutAccents(text)) {
        const ushort u = c.unicode();
        // A character outside the basic plane is two halves: one "?" for it.
        if (c.isLowSurrogate())
            continue;
        ascii.append(u >= 0x20 && u < 0x7F ? char(u) : '?');
    }
    return ascii;
}
