#include "../common/messageboxanswerer.h"

#include "patients/patientdialog.h"
#include "storage/monitordatabase.h"

#include <QBuffer>
#include <QCameraInfo>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QImage>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSettings>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

#include <memory>

class TestPatientDialog : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void ageOn_data();
    void ageOn();
    void parseBirthDate_data();
    void parseBirthDate();
    void squareCrop();

    void newPatientOpensEmpty();
    void birthDateShowsAgeAgainstReferenceDate();
    void tooYoungAgeBlocksOk_data();
    void tooYoungAgeBlocksOk();
    void blankNamesAreHighlighted();
    void typedAgeReplacesBirthDate();
    void pickListsLearnTrimmedCaseSensitiveEntries();
    void existingPatientRoundTrip();
    void femaleSexIsKept();
    void pictures();
    void clearPictureShowsPlaceholder();
    void cameraButtonWithoutCameraDoesNothing();
    void unloadablePatientOpensEmpty();

private:
    static QLineEdit *line(QWidget *dialog, const char *name) { return dialog->findChild<QLineEdit *>(name); }
    static QComboBox *combo(QWidget *dialog, const char *name) { return dialog->findChild<QComboBox *>(name); }
    static QPushButton *okButton(QWidget *dialog)
    {
        return dialog->findChild<QDialogButtonBox *>("buttonBox")->button(QDialogButtonBox::Ok);
    }
    static void typeNames(PatientDialog &dialog)
    {
        QTest::keyClicks(line(&dialog, "txtLastName"), "Perez");
        QTest::keyClicks(line(&dialog, "txtFirstName"), "Ana");
    }

    QTemporaryDir m_settingsDir;
    std::unique_ptr<QTemporaryDir> m_rootDir;
    std::unique_ptr<MonitorDatabase> m_database;
};

static const QString yellow = QStringLiteral("background-color: lightyellow");

void TestPatientDialog::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication::setOrganizationName(QStringLiteral("NorvaneTest"));
    QCoreApplication::setApplicationName(QStringLiteral("PatientDialogTest"));
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_settingsDir.path());
}

void TestPatientDialog::init()
{
    QSettings().clear();
    m_rootDir = std::make_unique<QTemporaryDir>();
    m_database = std::make_unique<MonitorDatabase>(m_rootDir->path());
}

void TestPatientDialog::cleanup()
{
    m_database.reset();
    m_rootDir.reset();
}

void TestPatientDialog::ageOn_data()
{
    QTest::addColumn<QDate>("birth");
    QTest::addColumn<QDate>("today");
    QTest::addColumn<int>("age");
    QTest::newRow("day before birthday") << QDate(1950, 3, 5) << QDate(2020, 3, 4) << 69;
    QTest::newRow("on birthday") << QDate(1950, 3, 5) << QDate(2020, 3, 5) << 70;
    QTest::newRow("leap day, non-leap year") << QDate(2000, 2, 29) << QDate(2021, 2, 28) << 20;
    QTest::newRow("leap day, next day") << QDate(2000, 2, 29) << QDate(2021, 3, 1) << 21;
    QTest::newRow("born today") << QDate(2020, 3, 5) << QDate(2020, 3, 5) << 0;
    QTest::newRow("born in the future") << QDate(2021, 6, 1) << QDate(2020, 3, 5) << -2;
}

void TestPatientDialog::ageOn()
{
    QFETCH(QDate, birth);
    QFETCH(QDate, today);
    QFETCH(int, age);
    QCOMPARE(PatientDialog::ageOn(birth, today), age);
}

void TestPatientDialog::parseBirthDate_data()
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

void TestPatientDialog::parseBirthDate()
{
    QFETCH(QString, text);
    QFETCH(QDate, date);
    QCOMPARE(PatientDialog::parseBirthDate(text), date);
}

void TestPatientDialog::squareCrop()
{
    QImage landscape(640, 480, QImage::Format_RGB32);
    landscape.fill(Qt::black);
    landscape.setPixel(80, 0, qRgb(255, 0, 0));    // top left of the square
    landscape.setPixel(559, 479, qRgb(0, 255, 0)); // bottom right of the square
    const QImage square = PatientDialog::squareCrop(landscape);
    QCOMPARE(square.size(), QSize(480, 480));
    QCOMPARE(square.pixel(0, 0), qRgb(255, 0, 0));
    QCOMPARE(square.pixel(479, 479), qRgb(0, 255, 0));

    // A portrait image is cut to its width, never padded.
    const QImage portrait(480, 640, QImage::Format_RGB32);
    QCOMPARE(PatientDialog::squareCrop(portrait).size(), QSize(480, 480));
}

void TestPatientDialog::newPatientOpensEmpty()
{
    QSettings().setValue("PatientDialog/CityList", QStringList{"Rosario", "Santa Fe"});
    PatientDialog dialog(nullptr, 0);
    QVERIFY(!okButton(&dialog)->isEnabled());
    QCOMPARE(combo(&dialog, "cboCity")->count(), 2);
    QCOMPARE(combo(&dialog, "cboCity")->currentText(), QString());
    for (const char *name : {"txtLastName", "txtFirstName", "txtAge"})
        QCOMPARE(line(&dialog, name)->styleSheet(), yellow);
}

void TestPatientDialog::birthDateShowsAgeAgainstReferenceDate()
{
    PatientDialog dialog;
    dialog.setReferenceDate(QDate(2020, 3, 4));
    typeNames(dialog);
    QVERIFY(!okButton(&dialog)->isEnabled());

    QTest::keyClicks(line(&dialog, "txtBirthDate"), "5/3/1950");
    QCOMPARE(line(&dialog, "txtAge")->text(), QStringLiteral("69"));
    QCOMPARE(line(&dialog, "txtAge")->styleSheet(), QString());
    QVERIFY(okButton(&dialog)->isEnabled());

    dialog.setReferenceDate(QDate(2020, 3, 5));
    QCOMPARE(line(&dialog, "txtAge")->text(), QStringLiteral("70"));

    // An unparsable date empties the age and blocks OK.
    QTest::keyClick(line(&dialog, "txtBirthDate"), Qt::Key_Backspace);
    QTest::keyClicks(line(&dialog, "txtBirthDate"), "x");
    QCOMPARE(line(&dialog, "txtAge")->text(), QString());
    QVERIFY(!okButton(&dialog)->isEnabled());

    line(&dialog, "txtBirthDate")->setText("5/3/50");
    QCOMPARE(line(&dialog, "txtAge")->text(), QStringLiteral("70"));
    dialog.accept();
    QCOMPARE(dialog.record().birthDate, QDate(1950, 3, 5));
}

void TestPatientDialog::tooYoungAgeBlocksOk_data()
{
    QTest::addColumn<QString>("birthDate");
    QTest::addColumn<QString>("age");
    QTest::newRow("age 1") << "4/3/2019" << "1";
    QTest::newRow("age 0 shows empty") << "1/1/2020" << "";
    QTest::newRow("future birth shows empty") << "1/1/2021" << "";
}

void TestPatientDialog::tooYoungAgeBlocksOk()
{
    QFETCH(QString, birthDate);
    QFETCH(QString, age);
    PatientDialog dialog;
    dialog.setReferenceDate(QDate(2020, 3, 4));
    typeNames(dialog);
    QTest::keyClicks(line(&dialog, "txtBirthDate"), birthDate);
    QCOMPARE(line(&dialog, "txtAge")->text(), age);
    QCOMPARE(line(&dialog, "txtAge")->styleSheet(), yellow);
    QVERIFY(!okButton(&dialog)->isEnabled());
}

void TestPatientDialog::blankNamesAreHighlighted()
{
    PatientDialog dialog;
    QTest::keyClicks(line(&dialog, "txtLastName"), "   ");
    QTest::keyClicks(line(&dialog, "txtFirstName"), "Ana");
    QTest::keyClicks(line(&dialog, "txtAge"), "40");
    QCOMPARE(line(&dialog, "txtLastName")->styleSheet(), yellow);
    QCOMPARE(line(&dialog, "txtFirstName")->styleSheet(), QString());
    QVERIFY(!okButton(&dialog)->isEnabled());

    // A typed age is enough without a birth date.
    QTest::keyClicks(line(&dialog, "txtLastName"), "Gomez");
    QCOMPARE(line(&dialog, "txtLastName")->styleSheet(), QString());
    QVERIFY(okButton(&dialog)->isEnabled());

    line(&dialog, "txtAge")->setText("4O"); // letter O: not a number
    QCOMPARE(line(&dialog, "txtAge")->styleSheet(), yellow);
    QVERIFY(!okButton(&dialog)->isEnabled());
    line(&dialog, "txtAge")->setText("40");
    dialog.accept();
    QVERIFY(!dialog.record().birthDate.isValid());
}

void TestPatientDialog::typedAgeReplacesBirthDate()
{
    PatientDialog dialog;
    dialog.setReferenceDate(QDate(2020, 3, 4));
    typeNames(dialog);
    QTest::keyClicks(line(&dialog, "txtBirthDate"), "5/3/1950");
    QLineEdit *age = line(&dialog, "txtAge");
    age->selectAll();
    QTest::keyClicks(age, "40");
    // The birth date goes, the typed age stays whole.
    QCOMPARE(line(&dialog, "txtBirthDate")->text(), QString());
    QCOMPARE(age->text(), QStringLiteral("40"));
    QVERIFY(okButton(&dialog)->isEnabled());
}

void TestPatientDialog::pickListsLearnTrimmedCaseSensitiveEntries()
{
    QSettings().setValue("PatientDialog/CityList", QStringList{"Rosario"});

    auto enterCity = [this](const QString &city) {
        PatientDialog dialog;
        typeNames(dialog);
        QTest::keyClicks(line(&dialog, "txtAge"), "40");
        combo(&dialog, "cboCity")->setCurrentText(city);
        dialog.accept();
        return dialog.record();
    };

    QCOMPARE(enterCity("  Santa Fe  ").city, QStringLiteral("  Santa Fe  "));
    QCOMPARE(QSettings().value("PatientDialog/CityList").toStringList(), (QStringList{"Rosario", "Santa Fe"}));

    enterCity("Rosario");
    enterCity(" Santa Fe");
    QCOMPARE(QSettings().value("PatientDialog/CityList").toStringList(), (QStringList{"Rosario", "Santa Fe"}));

    enterCity("rosario");
    QCOMPARE(QSettings().value("PatientDialog/CityList").toStringList(),
             (QStringList{"Rosario", "Santa Fe", "rosario"}));

    // The next dialog offers what was learned.
    PatientDialog next;
    QCOMPARE(combo(&next, "cboCity")->count(), 3);

    // A cancelled dialog learns nothing.
    {
        PatientDialog cancelled;
        combo(&cancelled, "cboState")->setCurrentText("Chaco");
        cancelled.reject();
    }
    QVERIFY(QSettings().value("PatientDialog/StateList").toStringList().isEmpty());
}

void TestPatientDialog::existingPatientRoundTrip()
{
    PatientRecord stored;
    stored.lastName = "Núñez";
    stored.firstName = "José María";
    stored.sex = "X";
    stored.birthDate = QDate(1961, 12, 24);
    stored.personIdNumber = "AB123";
    stored.city = "Paraná";
    stored.risks = "Smoker\nHypertension";
    stored.comments = "<b>not bold</b>";
    stored.conclusion = "Stable";
    m_database->insertPatient(stored);

    PatientDialog dialog(nullptr, stored.id);
    QVERIFY(okButton(&dialog)->isEnabled());
    QCOMPARE(line(&dialog, "txtBirthDate")->text(), QStringLiteral("24/12/1961"));
    QCOMPARE(dialog.findChild<QPlainTextEdit *>("txtComments")->toPlainText(), stored.comments);
    dialog.accept();

    // An unknown sex code is dropped; everything else comes back unchanged.
    const PatientRecord edited = dialog.record();
    stored.sex.clear();
    QCOMPARE(edited.toJson(), stored.toJson());
}

void TestPatientDialog::femaleSexIsKept()
{
    PatientRecord stored;
    stored.lastName = "Paz";
    stored.firstName = "Eva";
    stored.sex = "F";
    m_database->insertPatient(stored);

    PatientDialog dialog(nullptr, stored.id);
    QCOMPARE(combo(&dialog, "cboSex")->currentIndex(), 2);
    // Without a birth date the existing patient can still be accepted as loaded.
    QVERIFY(okButton(&dialog)->isEnabled());
    dialog.accept();
    QCOMPARE(dialog.record().sex, QStringLiteral("F"));

    PatientDialog male;
    combo(&male, "cboSex")->setCurrentIndex(1);
    male.accept();
    QCOMPARE(male.record().sex, QStringLiteral("M"));
}

void TestPatientDialog::pictures()
{
    PatientDialog dialog;
    typeNames(dialog);
    QTest::keyClicks(line(&dialog, "txtAge"), "40");
    dialog.accept();
    QVERIFY(dialog.picture().isNull());

    // An empty stored picture file also means no picture.
    PatientRecord stored;
    stored.lastName = "Sin";
    stored.firstName = "Foto";
    m_database->insertPatient(stored);
    m_database->savePicture(stored.id, QByteArray());
    PatientDialog existing(nullptr, stored.id);
    QVERIFY(existing.picture().isNull());

    QImage image(60, 60, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QVERIFY(image.save(&buffer, "JPG"));
    m_database->savePicture(stored.id, bytes);
    PatientDialog withPicture(nullptr, stored.id);
    QCOMPARE(withPicture.picture().size(), QSize(60, 60));
}

void TestPatientDialog::clearPictureShowsPlaceholder()
{
    if (QPixmap(QStringLiteral(":/res/person.png")).isNull())
        QSKIP("the station's shared resources are not part of this build");
    PatientDialog dialog;
    dialog.findChild<QToolButton *>("btnClearPicture")->click();
    QCOMPARE(dialog.picture(), QPixmap(QStringLiteral(":/res/person.png")).toImage());
}

void TestPatientDialog::cameraButtonWithoutCameraDoesNothing()
{
    if (!QCameraInfo::availableCameras().isEmpty())
        QSKIP("a camera is attached");
    PatientDialog dialog;
    dialog.show();
    dialog.findChild<QToolButton *>("btnCamera")->click();
    dialog.findChild<QToolButton *>("btnTakePicture")->click();
    QVERIFY(dialog.picture().isNull());
}

void TestPatientDialog::unloadablePatientOpensEmpty()
{
    // No such patient: empty fields, and OK waits for valid input.
    PatientDialog missing(nullptr, 4711);
    QCOMPARE(line(&missing, "txtLastName")->text(), QString());
    QVERIFY(!okButton(&missing)->isEnabled());

    // A failing database is reported and leaves the fields empty as well.
    PatientRecord stored;
    stored.lastName = "Ríos";
    stored.firstName = "Luz";
    m_database->insertPatient(stored);
    QVERIFY(QSqlQuery().exec("drop table Patient"));
    MessageBoxAnswerer answerer(QMessageBox::Ok);
    PatientDialog failed(nullptr, stored.id);
    QCOMPARE(answerer.titles, QStringList{"Error"});
    QCOMPARE(line(&failed, "txtLastName")->text(), QString());
    QVERIFY(!okButton(&failed)->isEnabled());
}

QTEST_MAIN(TestPatientDialog)
#include "tst_patientdialog.moc"
