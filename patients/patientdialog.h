#pragma once

#include "storage/patientrecord.h"

#include <QDate>
#include <QDialog>
#include <QImage>
#include <QList>
#include <QPair>
#include <QPixmap>

class MonitorDatabase;
class QCamera;
class QCameraImageCapture;
class QCameraViewfinder;
class QComboBox;
class QVideoFrame;

namespace Ui {
class PatientDialog;
}

// Modal editor of one patient record with its picture. It only fills the
// record and holds the picture; the caller stores both.
class PatientDialog : public QDialog
{
    Q_OBJECT

public:
    // A new patient: an empty record.
    explicit PatientDialog(QWidget *parent = nullptr);
    // The stored patient of that id; id 0 opens an empty record as a new
    // patient.
    PatientDialog(QWidget *parent, MonitorDatabase &database, int patientId);
    ~PatientDialog() override;

    // The edited record, with the id and uuid it was loaded with.
    PatientRecord record() const { return m_record; }
    // The picture shown; null when none is shown.
    QImage picture() const { return m_picture.toImage(); }

    // The date ages are computed against; today unless set otherwise.
    QDate referenceDate() const { return m_referenceDate; }
    void setReferenceDate(const QDate &date);

    // Reads a birth date typed as day/month/year; a two-digit year means
    // 1900-1999. Invalid when the text is not such a date.
    static QDate parseBirthDate(const QString &text);
    // The centred square of a camera image (full height of a landscape image).
    static QImage squareCrop(const QImage &image);

public slots:
    void accept() override;
    void done(int result) override;

private slots:
    void on_listCategory_currentRowChanged(int row);
    void on_txtLastName_textChanged(const QString &text);
    void on_txtFirstName_textChanged(const QString &text);
    void on_cboSex_currentIndexChanged(int index);
    void on_txtBirthDate_textChanged(const QString &text);
    void on_txtAge_textChanged(const QString &text);
    void on_txtAge_textEdited(const QString &text);
    void on_btnCamera_clicked();
    void on_btnTakePicture_clicked();
    void on_btnClearPicture_clicked();

private:
    // The learned pick lists: settings key and combo box.
    QList<QPair<QString, QComboBox *>> pickLists() const;
    void loadPickLists();
    void savePickLists();
    void setUp(bool newPatient, MonitorDatabase *database, int patientId);
    bool loadPatient(MonitorDatabase &database, int patientId);
    void showRecord();
    void updateAge();
    bool validate();
    void showPicture(const QPixmap &picture);
    void imageArrived(const QImage &image);
    void stopCamera();

    Ui::PatientDialog *ui;
    PatientRecord m_record;
    QPixmap m_picture;
    bool m_newPatient = true;
    QDate m_referenceDate;
    bool m_ageTyped = false;
    QCamera *m_camera = nullptr;
    QCameraViewfinder *m_viewfinder = nullptr;
    QCameraImageCapture *m_capture = nullptr;
};
