// The patient editor: its date arithmetic, what it requires before OK, a
// stored patient going through it unchanged, the learned pick lists and
// the picture.

#include "../common/messageboxanswerer.h"
#include "../common/teststorage.h"

#include "patients/patientdialog.h"

#include <QBuffer>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlQuery>
#include <QToolButton>
#include <QtTest>

namespace {

QLineEdit *line(QWidget *dialog, const char *name)
{
    return dialog->findChild<QLineEdit *>(QLatin1String(name));
}

bool okEnabled(QWidget *dialog)
{
    return dialog->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->isEnabled();
}

const QString yellow = QStringLiteral("background-color: lightyellow");

} // namespace

class TestPatientDialog : public QObject
{
    Q_OBJECT

    QTemporaryDir m_settings;
    std::unique_ptr<TestStorage> m_storage;

private slots:
    void initTestCase() { isolateSettings(m_settings.path()); }
    void init()
    {
        QSettings().clear();
        m_storage = std::make_unique<TestStorage>();
    }
    void cleanup() { m_storage.reset(); }

    void ageOn_data()
    {
        QTest::addColumn<QDate>("birth");
        QTest::addColumn<QDate>("today");
        QTest::addColumn<int>("age");
        QTest::newRow("day before birthday") << QDate(1950, 3, 5) << QDate(2020, 3, 4) << 69;
        QTest::newRow("on birthday") << QDate(1950, 3, 5) << QDate(2020, 3, 5) << 70;
        QTest::newRow("earlier month") << QDate(1950, 2, 28) << QDate(2020, 3, 1) << 70;
        QTest::newRow("leap day, non-leap year") << QDate(2000, 2, 29) << QDate(2021, 2, 28) << 20;
        QTest::newRow("leap day, next day") << QDate(2000, 2, 29) << QDate(2021, 3, 1) << 21;
        QTest::newRow("born in the future") << QDate(2021, 6, 1) << QDate(2020, 3, 5) << -2;
    }

    void ageOn()
    {
        QFETCH(QDate, birth);
        QFETCH(QDate, today);
        QFETCH(int, age);
        QCOMPARE(PatientDialog::ageOn(birth, today), age);
    }

    void parseBirthDate_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QDate>("date");
        QTest::newRow("four-digit year") << "5/3/1950" << QDate(1950, 3, 5);
        QTest::newRow("two-digit year is 1900s") << "5/3/50" << QDate(1950, 3, 5);
        QTest::newRow("two-digit 00") << "1/1/00" << QDate(1900, 1, 1);
        QTest::newRow("surrounding blanks") << " 5/3/1950 " << QDate(1950, 3, 5);
        QTest::newRow("no such day") << "31/2/1950" << QDate();
        QTest::newRow("month out of range") << "5/13/1950" << QDate();
        QTest::newRow("year below 1000") << "5/3/950" << QDate();
        QTest::newRow("text") << "yesterday" << QDate();
    }

    void parseBirthDate()
    {
        QFETCH(QString, text);
        QFETCH(QDate, date);
        QCOMPARE(PatientDialog::parseBirthDate(text), date);
    }

    void squareCrop()
    {
        QImage landscape(640, 480, QImage::Format_RGB32);
        landscape.fill(Qt::black);
        landscape.setPixel(80, 0, qRgb(255, 0, 0));
        landscape.setPixel(559, 479, qRgb(0, 255, 0));
        const QImage square = PatientDialog::squareCrop(landscape);
        QCOMPARE(square.size(), QSize(480, 480));
        QCOMPARE(square.pixel(0, 0), qRgb(255, 0, 0));
        QCOMPARE(square.pixel(479, 479), qRgb(0, 255, 0));
        // A portrait image keeps its full width instead of being padded.
        QImage portrait(480, 640, QImage::Format_RGB32);
        portrait.fill(Qt::black);
        portrait.setPixel(0, 80, qRgb(255, 0, 0));
        QCOMPARE(PatientDialog::squareCrop(portrait).size(), QSize(480, 480));
        QCOMPARE(PatientDialog::squareCrop(portrait).pixel(0, 0), qRgb(255, 0, 0));
    }

    void requiredFieldsBeforeOk()
    {
        PatientDialog dialog;
        dialog.setReferenceDate(QDate(2020, 3, 4));
        QVERIFY(!okEnabled(&dialog));
        for (const char *name : {"txtLastName", "txtFirstName", "txtAge"})
            QCOMPARE(line(&dialog, name)->styleSheet(), yellow);
        QTest::keyClicks(line(&dialog, "txtLastName"), QStringLiteral("   "));
        QTest::keyClicks(line(&dialog, "txtFirstName"), QStringLiteral("Ana"));
        QTest::keyClicks(line(&dialog, "txtBirthDate"), QStringLiteral("5/3/1950"));
        QCOMPARE(line(&dialog, "txtAge")->text(), QStringLiteral("69"));
        QCOMPARE(line(&dialog, "txtLastName")->styleSheet(), yellow);
        QCOMPARE(line(&dialog, "txtFirstName")->styleSheet(), QString());
        QVERIFY(!okEnabled(&dialog));
        QTest::keyClicks(line(&dialog, "txtLastName"), QStringLiteral("Gomez"));
        QVERIFY(okEnabled(&dialog));
        dialog.setReferenceDate(QDate(2020, 3, 5));
        QCOMPARE(line(&dialog, "txtAge")->text(), QStringLiteral("70"));

        // An age must be above 1: a baby, a future birth or a bad date block OK.
        for (const char *birth : {"4/3/2019", "1/1/2021", "31/2/1950"}) {
            line(&dialog, "txtBirthDate")->setText(QLatin1String(birth));
            QCOMPARE(line(&dialog, "txtAge")->styleSheet(), yellow);
            QVERIFY(!okEnabled(&dialog));
        }
        QCOMPARE(line(&dialog, "txtAge")->text(), QString());
        // A typed age replaces the birth date and is enough on its own.
        line(&dialog, "txtBirthDate")->setText(QStringLiteral("5/3/1950"));
        line(&dialog, "txtAge")->selectAll();
        QTest::keyClicks(line(&dialog, "txtAge"), QStringLiteral("40"));
        QCOMPARE(line(&dialog, "txtBirthDate")->text(), QString());
        QCOMPARE(line(&dialog, "txtAge")->text(), QStringLiteral("40"));
        QVERIFY(okEnabled(&dialog));
        line(&dialog, "txtAge")->setText(QStringLiteral("4O"));
        QVERIFY(!okEnabled(&dialog));
    }

    void storedPatientComesBackUnchanged()
    {
        PatientRecord stored;
        stored.lastName = QStringLiteral("Núñez");
        stored.firstName = QStringLiteral("José María");
        stored.sex = QStringLiteral("F");
        stored.birthDate = QDate(1961, 12, 24);
        stored.personIdType = QStringLiteral("DNI");
        stored.personIdNumber = QStringLiteral("AB123");
        stored.address = QStringLiteral("Calle Mayor 1");
        stored.city = QStringLiteral("Paraná");
        stored.state = QStringLiteral("Entre Ríos");
        stored.phoneNumber = QStringLiteral("555");
        stored.medicalGroupName = QStringLiteral("Obra");
        stored.medicalGroupNumber = QStringLiteral("77");
        stored.medicalHistoryNumber = QStringLiteral("H9");
        stored.risks = QStringLiteral("Smoker\nHypertension");
        stored.medication = QStringLiteral("Aspirin");
        stored.comments = QStringLiteral("<b>not bold</b>");
        m_storage->database->insertPatient(stored);
        PatientDialog dialog(nullptr, stored.id);
        QCOMPARE(line(&dialog, "txtBirthDate")->text(), QStringLiteral("24/12/1961"));
        QVERIFY(okEnabled(&dialog));
        dialog.accept();
        QCOMPARE(dialog.record().toJson(), stored.toJson());
        QCOMPARE(dialog.record().id, stored.id);

        // An unknown sex code is dropped.
        stored.sex = QStringLiteral("X");
        m_storage->database->updatePatient(stored);
        PatientDialog unknown(nullptr, stored.id);
        unknown.accept();
        QCOMPARE(unknown.record().sex, QString());
        PatientDialog male;
        male.findChild<QComboBox *>(QStringLiteral("cboSex"))->setCurrentIndex(1);
        male.accept();
        QCOMPARE(male.record().sex, QStringLiteral("M"));
    }

    void pickListsLearnTrimmedEntries()
    {
        QSettings().setValue(QStringLiteral("PatientDialog/CityList"), QStringList{"Rosario"});
        for (const QString city : {"  Santa Fe  ", "Rosario", " Santa Fe", "rosario"}) {
            PatientDialog dialog;
            dialog.findChild<QComboBox *>(QStringLiteral("cboCity"))->setCurrentText(city);
            dialog.accept();
            QCOMPARE(dialog.record().city, city);
        }
        QCOMPARE(QSettings().value(QStringLiteral("PatientDialog/CityList")).toStringList(),
                 (QStringList{"Rosario", "Santa Fe", "rosario"}));
        PatientDialog next;
        QCOMPARE(next.findChild<QComboBox *>(QStringLiteral("cboCity"))->count(), 3);
        next.findChild<QComboBox *>(QStringLiteral("cboState"))->setCurrentText(QStringLiteral("Chaco"));
        next.reject();
        QVERIFY(QSettings().value(QStringLiteral("PatientDialog/StateList")).toStringList().isEmpty());
    }

    void pictureAndUnloadablePatients()
    {
        PatientRecord stored;
        stored.lastName = QStringLiteral("Ríos");
        m_storage->database->insertPatient(stored);
        m_storage->database->savePicture(stored.id, QByteArray());
        QVERIFY(PatientDialog(nullptr, stored.id).picture().isNull());
        QImage image(60, 60, QImage::Format_RGB32);
        image.fill(Qt::darkCyan);
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QVERIFY(image.save(&buffer, "JPG"));
        m_storage->database->savePicture(stored.id, bytes);
        PatientDialog withPicture(nullptr, stored.id);
        QCOMPARE(withPicture.picture().size(), QSize(60, 60));
        withPicture.findChild<QToolButton *>(QStringLiteral("btnClearPicture"))->click();
        QCOMPARE(withPicture.picture(), QPixmap(QStringLiteral(":/res/person.png")).toImage());

        // No such patient, or a failing database (reported): empty fields.
        QCOMPARE(line(std::make_unique<PatientDialog>(nullptr, 4711).get(), "txtLastName")->text(), QString());
        QVERIFY(QSqlQuery().exec(QStringLiteral("drop table Patient")));
        MessageBoxAnswerer answerer(QMessageBox::Ok);
        PatientDialog failed(nullptr, stored.id);
        QCOMPARE(answerer.titles, QStringList{"Error"});
        QCOMPARE(line(&failed, "txtLastName")->text(), QString());
        QVERIFY(!okEnabled(&failed));
    }
};

QTEST_MAIN(TestPatientDialog)
#include "tst_patientdialog.moc"
