#pragma once

#include <QDate>
#include <QJsonObject>
#include <QString>
#include <QUuid>

// One patient. The id is the database row id and never goes into the JSON;
// the uuid identifies the patient across databases.
struct PatientRecord
{
    int id = 0;
    QUuid uuid;
    QString firstName, lastName, sex;
    QDate birthDate;
    QString personIdType, personIdNumber, medicalGroupName, medicalGroupNumber, medicalHistoryNumber,
        address, city, state, country, phoneNumber, comments, risks, medication, adaptation, conclusion;

    QJsonObject toJson() const;
    // Missing keys give empty texts and an invalid date; the id is 0.
    static PatientRecord fromJson(const QJsonObject &object);
    // "last, first"
    QString displayName() const;
};
