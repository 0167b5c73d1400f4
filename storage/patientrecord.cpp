#include "storage/patientrecord.h"

namespace {

const char *const DateFormat = "yyyyMMdd";

// The text fields in their JSON order, as (key, member) pairs.
template<typename Record, typename Visit>
void forEachText(Record &r, Visit visit)
{
    visit("firstName", r.firstName);
    visit("lastName", r.lastName);
    visit("sex", r.sex);
    visit("personIdType", r.personIdType);
    visit("personIdNumber", r.personIdNumber);
    visit("medicalGroupName", r.medicalGroupName);
    visit("medicalGroupNumber", r.medicalGroupNumber);
    visit("medicalHistoryNumber", r.medicalHistoryNumber);
    visit("address", r.address);
    visit("city", r.city);
    visit("state", r.state);
    visit("country", r.country);
    visit("phoneNumber", r.phoneNumber);
    visit("comments", r.comments);
    visit("risks", r.risks);
    visit("medication", r.medication);
    visit("adaptation", r.adaptation);
    visit("conclusion", r.conclusion);
}

} // namespace

QJsonObject PatientRecord::toJson() const
{
    QJsonObject o;
    // QUuid writes 32 lower-case digits with hyphens, in braces.
    o.insert(QStringLiteral("uuid"), uuid.toString());
    forEachText(*this, [&o](const char *key, const QString &value) { o.insert(QLatin1String(key), value); });
    o.insert(QStringLiteral("birthDate"),
             birthDate.isValid() ? birthDate.toString(QLatin1String(DateFormat)) : QString());
    return o;
}

PatientRecord PatientRecord::fromJson(const QJsonObject &object)
{
    PatientRecord r;
    r.uuid = QUuid(object.value(QStringLiteral("uuid")).toString());
    forEachText(r, [&object](const char *key, QString &value) { value = object.value(QLatin1String(key)).toString(); });
    r.birthDate = QDate::fromString(object.value(QStringLiteral("birthDate")).toString(), QLatin1String(DateFormat));
    return r;
}

QString PatientRecord::displayName() const
{
    return QStringLiteral("%1, %2").arg(lastName, firstName);
}
