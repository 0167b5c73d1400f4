#include "patients/patientpicture.h"

#include "storage/monitordatabase.h"

#include <QBuffer>
#include <QImage>

void storePatientPicture(MonitorDatabase &database, int patientId, const QImage &picture)
{
    QByteArray bytes;
    if (!picture.isNull()) {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        picture.save(&buffer, "JPG");
    }
    database.savePicture(patientId, bytes);
}
