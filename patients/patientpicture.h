#pragma once

class MonitorDatabase;
class QImage;

// Stores a patient's picture as JPEG bytes; a null image leaves an empty
// picture file, which reads back as no picture.
void storePatientPicture(MonitorDatabase &database, int patientId, const QImage &picture);
