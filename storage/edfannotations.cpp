#include "storage/edfannotations.h"

#include "storage/monitorsession.h"
#include "storage/patientrecord.h"
#include "storage/studyfile.h"

#include <QCoreApplication>
#include <QRegularExpression>

#include <algorithm>
#include <functional>

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

namespace {

// Events carry their text unless anonymous; readings and alarms are the
// station's own words, passed through `stationText`.
QVector<EdfAnnotation> collectAnnotations(const MonitorSession &session, bool anonymous,
                                          const std::function<QString(const QString &)> &stationText)
{
    QVector<EdfAnnotation> list;
    for (const SessionEvent &event : session.events)
        list.append({double(event.timeOffset),
                     anonymous ? QCoreApplication::translate("EdfAnnotations", "Event") : event.description});
    for (int phase = PhaseBasal; phase <= PhasePostExercise; ++phase) {
        const Checkpoint c = session.checkpoint(phase);
        // A phase whose reading was never entered holds zeros.
        if (c.sysBP == 0 && c.diaBP == 0)
            continue;
        list.append({c.timeOffset, stationText(QCoreApplication::translate("EdfAnnotations", "BP %1/%2 mmHg, %3")
                                                   .arg(c.sysBP)
                                                   .arg(c.diaBP)
                                                   .arg(phaseText(phase)))});
    }
    for (const AlarmLogEntry &entry : session.alarmLog)
        list.append({entry.timeOffset, stationText(alarmText(entry))});
    for (const EdfAnnotation &a : rhythmAnnotations(session.rhythmEpisodes))
        list.append(a);
    std::stable_sort(list.begin(), list.end(),
                     [](const EdfAnnotation &a, const EdfAnnotation &b) { return a.onset < b.onset; });
    return list;
}

bool isMark(QChar c)
{
    const QChar::Category category = c.category();
    return category == QChar::Mark_NonSpacing || category == QChar::Mark_SpacingCombining
        || category == QChar::Mark_Enclosing;
}

// A text reduced for comparison: compatibility forms, no accents or other
// marks, case folded; origin[k] is the index in the original text of the
// character folded[k] came from.
struct FoldedText
{
    QString folded;
    QVector<int> origin;
};

FoldedText fold(const QString &text)
{
    FoldedText f;
    for (int i = 0; i < text.size();) {
        const int length = text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate() ? 2 : 1;
        for (const QChar c : text.mid(i, length).normalized(QString::NormalizationForm_KD)) {
            if (isMark(c))
                continue;
            f.folded.append(c.toCaseFolded());
            f.origin.append(i);
        }
        i += length;
    }
    return f;
}

// Letters and digits only, folded: the part of an identifier that counts.
QString core(const QString &text)
{
    QString kept;
    for (const QChar c : fold(text).folded)
        if (c.isLetterOrNumber())
            kept.append(c);
    return kept;
}

// A pattern for a core written with or without separators between its characters.
QString spacedPattern(const QString &core)
{
    QStringList characters;
    for (const QChar c : core)
        characters << QRegularExpression::escape(QString(c));
    return characters.join(QStringLiteral("[\\s.\\-/_]*"));
}

// Replaces every match of the patterns in the folded text, together with the
// marks that follow it in the original, by "X".
// One expression matching any of the patterns; invalid (matching nothing) when there is none.
QRegularExpression anyOf(const QStringList &patterns)
{
    if (patterns.isEmpty())
        return QRegularExpression();
    return QRegularExpression(QStringLiteral("(?:%1)").arg(patterns.join(QStringLiteral(")|(?:"))),
                              QRegularExpression::UseUnicodePropertiesOption);
}

QString replaceFolded(const QString &text, const QRegularExpression &expression)
{
    if (expression.pattern().isEmpty() || text.isEmpty())
        return text;
    const FoldedText f = fold(text);
    QVector<QPair<int, int>> ranges; // [from, to) in the original
    for (auto it = expression.globalMatch(f.folded); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        if (m.capturedLength() == 0)
            continue;
        const int last = f.origin.at(m.capturedEnd() - 1);
        int to = last + (text.at(last).isHighSurrogate() ? 2 : 1);
        while (to < text.size() && isMark(text.at(to)))
            ++to;
        ranges.append({f.origin.at(m.capturedStart()), to});
    }
    if (ranges.isEmpty())
        return text;
    QString out;
    int at = 0;
    for (int k = 0; k < ranges.size();) {
        const int from = ranges.at(k).first;
        int to = ranges.at(k).second;
        for (++k; k < ranges.size() && ranges.at(k).first < to; ++k)
            to = std::max(to, ranges.at(k).second);
        out += text.mid(at, std::max(0, from - at)) + QLatin1Char('X');
        at = std::max(at, to);
    }
    return out + text.mid(at);
}

QStringList namePatterns(const PatientRecord &patient)
{
    QStringList parts;
    const QString names = patient.firstName + QLatin1Char(' ') + patient.lastName;
    for (const QString &part : names.split(QRegularExpression(QStringLiteral("[\\s\\-_.,']+")), Qt::SkipEmptyParts)) {
        const QString folded = fold(part).folded;
        // Single letters (initials) would wipe ordinary words.
        if (folded.size() >= 2)
            parts << QRegularExpression::escape(folded);
    }
    if (parts.isEmpty())
        return {};
    // Letters on neither side: digits, "_" and punctuation end a name.
    return {QStringLiteral("(?<!\\p{L})(%1)(?!\\p{L})").arg(parts.join(QLatin1Char('|')))};
}

// An identifier written in any spacing; short ones only as a whole token,
// long ones anywhere (also inside a longer number).
QString identifierPattern(const QString &core)
{
    if (core.size() >= 4)
        return spacedPattern(core);
    return QStringLiteral("(?<![\\p{L}\\p{N}])%1(?![\\p{L}\\p{N}])").arg(spacedPattern(core));
}

QStringList identityPatterns(const PatientRecord &patient)
{
    QStringList patterns = namePatterns(patient);
    QStringList cores;
    for (const QString &identifier : {patient.medicalHistoryNumber, patient.personIdNumber, patient.phoneNumber}) {
        const QString c = core(identifier);
        if (c.size() < 3)
            continue;
        cores << c;
        // The number without its letters ("4711" of "HC 4711", "12345678"
        // of "12345678-Z"), and a telephone without its country or trunk
        // prefix.
        QString digits;
        for (const QChar ch : c)
            if (ch.isDigit())
                digits.append(ch);
        if (digits.size() >= 4 && digits != c)
            cores << digits;
        for (int cut = 1; digits.size() - cut >= 7; ++cut)
            cores << digits.mid(cut);
    }
    const QDate birth = patient.birthDate;
    if (birth.isValid()) {
        for (const char *format : {"yyyyMMdd", "ddMMyyyy", "MMddyyyy", "dMyyyy", "Mdyyyy", "ddMMyy", "yyMMdd", "yyyyMd"})
            cores << birth.toString(QLatin1String(format));
    }
    cores.removeDuplicates();
    for (const QString &c : qAsConst(cores))
        patterns << identifierPattern(c);
    return patterns;
}

} // namespace

QVector<EdfAnnotation> sessionAnnotations(const MonitorSession &session)
{
    return collectAnnotations(session, false, [](const QString &text) { return text; });
}

QVector<EdfAnnotation> anonymizedAnnotations(const MonitorSession &session, const PatientRecord &patient)
{
    const QRegularExpression identity = anyOf(identityPatterns(patient));
    return collectAnnotations(session, true,
                              [&identity](const QString &text) { return replaceFolded(text, identity); });
}

QString withoutPatientName(const QString &text, const PatientRecord &patient)
{
    return replaceFolded(text, anyOf(namePatterns(patient)));
}

QString withoutPatientIdentity(const QString &text, const PatientRecord &patient)
{
    return replaceFolded(text, anyOf(identityPatterns(patient)));
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
