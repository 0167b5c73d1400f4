// The patient editor (its date arithmetic, what it requires before OK, a
// stored patient going through it unchanged, the learned pick lists and the
// picture), the patient selection dialog (its filter rule, choosing from the
// sorted list, deleting with every answer and failure), and the configuration
// dialog against real settings (defaults, values kept or brought into range,
// the device table, the detection command).

#include "../common/messageboxanswerer.h"
#include "../common/testsettings.h"
#include "../common/teststorage.h"

#include "acquisition/modulediscovery.h"
#include "config/configdialog.h"
#include "config/configsettings.h"
#include "patients/patientdialog.h"
#include "patients/patientselectdialog.h"
#include "patients/picklist.h"
#include "storage/recordrules.h"

#include <QAbstractButton>
#include <QAction>
#include <QBuffer>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QToolButton>
#include <QTreeWidget>
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

QStringList tableRows(const ConfigDialog &dialog)
{
    QStringList rows;
    const auto *tree = dialog.findChild<QTreeWidget *>(QStringLiteral("treeDevices"));
    for (int i = 0; i < tree->topLevelItemCount(); ++i)
        rows.append(tree->topLevelItem(i)->text(0) + QLatin1Char('=') + tree->topLevelItem(i)->text(1));
    return rows;
}

void click(const ConfigDialog &dialog, const char *button)
{
    dialog.findChild<QAbstractButton *>(QLatin1String(button))->click();
}

QVariant stored(const QString &key)
{
    return QSettings().value(QStringLiteral("Config/") + key);
}

} // namespace

class TestDialogs : public QObject
{
    Q_OBJECT

    QTemporaryDir m_settings;
    std::unique_ptr<TestStorage> m_storage;
    std::unique_ptr<PatientSelectDialog> m_dialog;

    QTreeWidget *tree() const { return m_dialog->findChild<QTreeWidget *>(QStringLiteral("treePatients")); }
    QLineEdit *filter() const { return m_dialog->findChild<QLineEdit *>(QStringLiteral("txtFilter")); }
    QTreeWidgetItem *row(const QString &name) const { return tree()->findItems(name, Qt::MatchExactly, 1).value(0); }
    QStringList shown() const
    {
        QStringList names;
        for (int i = 0; i < tree()->topLevelItemCount(); ++i)
            if (!tree()->topLevelItem(i)->isHidden())
                names.append(tree()->topLevelItem(i)->text(1));
        return names;
    }
    void open()
    {
        m_dialog = std::make_unique<PatientSelectDialog>(nullptr, *m_storage->database, m_storage->records);
        m_dialog->show();
        QTRY_COMPARE(tree()->topLevelItemCount(), m_storage->database->listPatients().size());
    }
    void deleteRows(const QStringList &names)
    {
        tree()->clearSelection();
        for (const QString &name : names)
            row(name)->setSelected(true);
        m_dialog->findChild<QPushButton *>(QStringLiteral("btnDelete"))->click();
    }

private slots:
    void initTestCase()
    {
        isolateSettings(m_settings.path());
        // Names sort in the user's language; a test machine often runs in the C locale.
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    }

    void init()
    {
        QSettings().clear();
        m_storage = std::make_unique<TestStorage>();
        for (const char *name : {"Smith, John", "Smithson, Jane", "Doe, Jane", "Álvarez, María José", "García López, Juan"})
            m_storage->addPatient(QString::fromUtf8(name).section(", ", 0, 0), QString::fromUtf8(name).section(", ", 1));
    }

    void cleanup()
    {
        QVERIFY(!QApplication::overrideCursor());
        m_dialog.reset();
        m_storage.reset();
    }

    void dateArithmetic()
    {
        const struct { QDate birth, today; int age; } ages[] = {
            {{1950, 3, 5}, {2020, 3, 4}, 69}, {{1950, 3, 5}, {2020, 3, 5}, 70}, {{1950, 2, 28}, {2020, 3, 1}, 70},
            {{2000, 2, 29}, {2021, 2, 28}, 20}, {{2000, 2, 29}, {2021, 3, 1}, 21}, {{2021, 6, 1}, {2020, 3, 5}, -2}};
        for (const auto &a : ages)
            QCOMPARE(RecordRules::ageInYears(a.birth, a.today), a.age);
        // Day/month/year; a two-digit year is in the 1900s.
        const struct { const char *text; QDate date; } dates[] = {
            {"5/3/1950", {1950, 3, 5}}, {"5/3/50", {1950, 3, 5}}, {"1/1/00", {1900, 1, 1}}, {" 5/3/1950 ", {1950, 3, 5}},
            {"31/2/1950", {}}, {"5/13/1950", {}}, {"5/3/950", {}}, {"yesterday", {}}};
        for (const auto &d : dates)
            QCOMPARE(PatientDialog::parseBirthDate(QLatin1String(d.text)), d.date);
    }

    void squareCrop()
    {
        // The centred square: full height of a landscape image, full width of a portrait one.
        QImage landscape(640, 480, QImage::Format_RGB32);
        landscape.fill(Qt::black);
        landscape.setPixel(80, 0, qRgb(255, 0, 0));
        landscape.setPixel(559, 479, qRgb(0, 255, 0));
        const QImage square = PatientDialog::squareCrop(landscape), portrait = PatientDialog::squareCrop(landscape.transformed(QTransform().rotate(90)));
        QVERIFY(square.size() == QSize(480, 480));
        QVERIFY(square.pixel(0, 0) == qRgb(255, 0, 0));
        QVERIFY(square.pixel(479, 479) == qRgb(0, 255, 0));
        QVERIFY(portrait.size() == QSize(480, 480));
        QVERIFY(portrait.pixel(479, 0) == qRgb(255, 0, 0));
    }

    void requiredFieldsBeforeOk()
    {
        PatientDialog dialog;
        dialog.setReferenceDate(QDate(2020, 3, 4));
        QVERIFY(!okEnabled(&dialog));
        QVERIFY(line(&dialog, "txtLastName")->styleSheet() == yellow);
        QVERIFY(line(&dialog, "txtAge")->styleSheet() == yellow);
        QTest::keyClicks(line(&dialog, "txtLastName"), QStringLiteral("   "));
        QTest::keyClicks(line(&dialog, "txtFirstName"), QStringLiteral("Ana"));
        QTest::keyClicks(line(&dialog, "txtBirthDate"), QStringLiteral("5/3/1950"));
        QVERIFY(line(&dialog, "txtAge")->text() == "69");
        QVERIFY(line(&dialog, "txtLastName")->styleSheet() == yellow);
        QVERIFY(line(&dialog, "txtFirstName")->styleSheet().isEmpty());
        QVERIFY(!okEnabled(&dialog));
        QTest::keyClicks(line(&dialog, "txtLastName"), QStringLiteral("Gomez"));
        QVERIFY(okEnabled(&dialog));
        dialog.setReferenceDate(QDate(2020, 3, 5));
        QCOMPARE(line(&dialog, "txtAge")->text(), QStringLiteral("70"));

        // An age must be above 1: a baby, a future birth or a bad date block OK.
        for (const char *birth : {"4/3/2019", "1/1/2021", "31/2/1950"}) {
            line(&dialog, "txtBirthDate")->setText(QLatin1String(birth));
            QVERIFY(line(&dialog, "txtAge")->styleSheet() == yellow);
            QVERIFY(!okEnabled(&dialog));
        }
        QCOMPARE(line(&dialog, "txtAge")->text(), QString());
        // A typed age replaces the birth date and is enough on its own.
        line(&dialog, "txtBirthDate")->setText(QStringLiteral("5/3/1950"));
        line(&dialog, "txtAge")->selectAll();
        QTest::keyClicks(line(&dialog, "txtAge"), QStringLiteral("40"));
        QVERIFY(line(&dialog, "txtBirthDate")->text().isEmpty());
        QVERIFY(line(&dialog, "txtAge")->text() == "40");
        QVERIFY(okEnabled(&dialog));
        line(&dialog, "txtAge")->setText(QStringLiteral("4O"));
        QVERIFY(!okEnabled(&dialog));
    }

    void storedPatientComesBackUnchanged()
    {
        PatientRecord stored = fullPatient();
        stored.sex = QStringLiteral("F");
        stored.comments = QStringLiteral("<b>not bold</b>\nsecond line");
        m_storage->database->insertPatient(stored);
        PatientDialog dialog(nullptr, *m_storage->database, stored.id);
        QVERIFY(line(&dialog, "txtBirthDate")->text() == "9/3/1956");
        QVERIFY(okEnabled(&dialog));
        dialog.accept();
        QVERIFY(dialog.record().toJson() == stored.toJson());
        QVERIFY(dialog.record().id == stored.id);

        // An unknown sex code is dropped.
        stored.sex = QStringLiteral("X");
        m_storage->database->updatePatient(stored);
        PatientDialog unknown(nullptr, *m_storage->database, stored.id), male;
        male.findChild<QComboBox *>(QStringLiteral("cboSex"))->setCurrentIndex(1);
        unknown.accept();
        male.accept();
        QVERIFY(unknown.record().sex.isEmpty());
        QVERIFY(male.record().sex == "M");
    }

    void pickListsLearnTrimmedEntries()
    {
        QSettings().setValue(QStringLiteral("PatientDialog/CityList"), QStringList{"Rosario"});
        for (const char *city : {"  Santa Fe  ", "Rosario", " Santa Fe", "rosario", " "}) {
            PatientDialog dialog;
            dialog.findChild<QComboBox *>(QStringLiteral("cboCity"))->setCurrentText(QLatin1String(city));
            dialog.accept();
        }
        QCOMPARE(PickList::entries(QStringLiteral("PatientDialog/CityList")), (QStringList{"Rosario", "Santa Fe", "rosario"}));
    }

    void pictureAndUnloadablePatients()
    {
        PatientRecord stored;
        stored.lastName = QStringLiteral("Ríos");
        m_storage->database->insertPatient(stored);
        QImage image(60, 60, QImage::Format_RGB32);
        image.fill(Qt::darkCyan);
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QVERIFY(image.save(&buffer, "JPG"));
        m_storage->database->savePicture(stored.id, bytes);
        PatientDialog withPicture(nullptr, *m_storage->database, stored.id);
        QCOMPARE(withPicture.picture().size(), QSize(60, 60));
        // Clearing shows the placeholder.
        withPicture.findChild<QToolButton *>(QStringLiteral("btnClearPicture"))->click();
        QCOMPARE(withPicture.picture(), QPixmap(QStringLiteral(":/res/person.png")).toImage());

        // No such patient, or a failing database (reported): empty fields.
        QCOMPARE(line(std::make_unique<PatientDialog>(nullptr, *m_storage->database, 4711).get(), "txtLastName")->text(),
                 QString());
        QVERIFY(indexQuery(*m_storage->database).exec(QStringLiteral("drop table Patient")));
        MessageBoxAnswerer answerer(QMessageBox::Ok);
        PatientDialog failed(nullptr, *m_storage->database, stored.id);
        QVERIFY(answerer.titles == QStringList{"Error"});
        QVERIFY(line(&failed, "txtLastName")->text().isEmpty());
        QVERIFY(!okEnabled(&failed));
    }

    void matchesFilter()
    {
        // Every word of the filter, in any case and order, somewhere in the name.
        const struct { const char *filter; bool matches; } cases[] = {
            {"", true}, {"GARCÍA", true}, {"  juan \t garc ", true}, {"juan pérez", false}, {"lópez, juan", true}, {"arcí", true}};
        for (const auto &c : cases)
            QCOMPARE(PatientSelectDialog::matchesFilter(QStringLiteral("García López, Juan"), QString::fromUtf8(c.filter)), c.matches);
    }

    void chooseFromTheSortedList()
    {
        m_storage->startSession(1, QDateTime(QDate(2020, 3, 5), QTime(10, 0)));
        open();
        QCOMPARE(shown(), (QStringList{"Álvarez, María José", "Doe, Jane", "García López, Juan", "Smith, John",
                                       "Smithson, Jane"}));
        QCOMPARE(row(QStringLiteral("Smith, John"))->text(2) + row(QStringLiteral("Doe, Jane"))->text(2),
                 QLocale::system().toString(QDate(2020, 3, 5), QLocale::ShortFormat));

        QTest::keyClicks(filter(), QStringLiteral("  jane    SMITH "));
        QCOMPARE(shown(), QStringList{"Smithson, Jane"});
        // A single match becomes current and stays so when the filter is cleared.
        filter()->setText(QStringLiteral("doe"));
        QCOMPARE(tree()->currentItem(), row(QStringLiteral("Doe, Jane")));
        filter()->clear();
        QVERIFY(shown().size() == 5);
        QVERIFY(tree()->currentItem() == row(QStringLiteral("Doe, Jane")));
        // A hidden row is not current.
        filter()->setText(QStringLiteral("smi"));
        QVERIFY(!tree()->currentItem());
        QVERIFY(!okEnabled(m_dialog.get()));
        filter()->clear();
        QTreeWidgetItem *item = row(QStringLiteral("García López, Juan"));
        const QRect rect = tree()->visualItemRect(item);
        QTest::mouseClick(tree()->viewport(), Qt::LeftButton, Qt::NoModifier, rect.center());
        QTest::mouseDClick(tree()->viewport(), Qt::LeftButton, Qt::NoModifier, rect.center());
        QVERIFY(m_dialog->result() == QDialog::Accepted);
        QVERIFY(m_dialog->selectedPatientId() == item->text(0).toInt());
    }

    void deletePatients()
    {
        open();
        m_storage->records.holdSession(row(QStringLiteral("Doe, Jane"))->text(0).toInt(), 1);
        {
            MessageBoxAnswerer no(QMessageBox::No);
            deleteRows({"Smith, John", "Álvarez, María José"});
            QCOMPARE(no.texts, QStringList{"Delete selected patients?"});
        }
        QCOMPARE(m_storage->database->listPatients().size(), 5);
        MessageBoxAnswerer yes(QMessageBox::Yes);
        // A monitored patient is refused, with the rest of the selection; so
        // is a patient open for review.
        deleteRows({"Smith, John", "Doe, Jane"});
        const int reviewed = row(QStringLiteral("Smith, John"))->text(0).toInt();
        m_storage->records.holdReview(reviewed);
        deleteRows({"Smith, John"});
        m_storage->records.releaseReview(reviewed);
        QCOMPARE(yes.texts, (QStringList{"Patients being monitored in this session cannot be deleted.",
                                         "Patients open for review cannot be deleted."}));
        deleteRows({"Smith, John", "Álvarez, María José"});
        QCOMPARE(yes.titles, (QStringList{"Warning", "Warning", "Confirm"}));
        QCOMPARE(shown(), (QStringList{"Doe, Jane", "García López, Juan", "Smithson, Jane"}));
        QVERIFY(m_storage->database->listPatients().size() == 3);
        QVERIFY(!m_dialog->findChild<QPushButton *>(QStringLiteral("btnDelete"))->isEnabled());
        // Nothing selected: no question at all.
        m_dialog->findChild<QAction *>(QStringLiteral("actionDelete"))->trigger();
        QCOMPARE(yes.titles.size(), 3);

        // Failures are told: the deletion, then the reload; the dialog stays.
        QVERIFY(indexQuery(*m_storage->database).exec(QStringLiteral("drop table Session")));
        deleteRows({"García López, Juan"});
        QCOMPARE(yes.titles, (QStringList{"Warning", "Warning", "Confirm", "Confirm", "Error", "Error"}));
        QVERIFY(m_dialog->isVisible());
        PatientSelectDialog failing(nullptr, *m_storage->database, m_storage->records);
        failing.show();
        QTRY_COMPARE(yes.titles.size(), 7);
    }

    void defaultsAndStoredValues()
    {
        ConfigDialog().accept();
        QCOMPARE(QSettings().allKeys().size(), 18);
        const QStringList keys = {"MaxPatients", "Alarms/HrLow", "Alarms/HrHigh", "Alarms/Spo2Low", "Alarms/Spo2High",
                                  "Alarms/TempLow", "Alarms/TempHigh", "Alarms/HrLower", "Alarms/AsystoleDelay",
                                  "Alarms/HrDelay", "Alarms/AudioPauseMinutes", "Alarms/LowPrioritySound",
                                  "Alarms/PvcPerMinute", "Alarms/StLimitTenthsMm", "Alarms/StDelay", "Alarms/AfDelay",
                                  "Alarms/StPointMs"};
        const double defaults[] = {9, 100, 120, 80, 90, 37.0, 38.0, 40, 4, 5, 2, 0, 10, 10, 60, 30, 60};
        for (int i = 0; i < keys.size(); ++i)
            QCOMPARE(stored(keys[i]).toDouble(), defaults[i]);
        QVERIFY(stored(QStringLiteral("Devices")).toStringList().isEmpty());

        // Out of range limits are brought into range; the others are kept,
        // even a low limit above the high one. Only 2, 4, 6 and 9 places exist.
        const struct { const char *key; QVariant value; double saved; } cases[] = {
            {"MaxPatients", 2, 2}, {"MaxPatients", 6, 6}, {"MaxPatients", 5, 9}, {"MaxPatients", "many", 9},
            {"Alarms/HrLow", 300, 250}, {"Alarms/HrLow", 150, 150}, {"Alarms/HrHigh", 12, 40},
            {"Alarms/Spo2Low", 150, 100}, {"Alarms/Spo2High", 95, 95}, {"Alarms/TempLow", 36.6, 36.6},
            {"Alarms/TempHigh", 29.0, 30.0}, {"Alarms/AsystoleDelay", 20, 10}, {"Alarms/HrLower", 0, 0},
            {"Alarms/PvcPerMinute", 0, 0}, {"Alarms/PvcPerMinute", 99, 60},
            // The AF delay: off, or 10 to 120 s, a value between off and 10 s taking 10.
            {"Alarms/AfDelay", 0, 0}, {"Alarms/AfDelay", 4, 10}, {"Alarms/AfDelay", 300, 120}};
        for (const auto &c : cases) {
            QSettings().setValue(QStringLiteral("Config/") + c.key, c.value);
            ConfigDialog dialog;
            for (QRadioButton *choice : dialog.findChildren<QRadioButton *>())
                QCOMPARE(choice->isChecked(), choice->objectName() == QStringLiteral("rbtMaxPatients%1").arg(
                                                  ConfigSettings::value(QSettings(), ConfigSettings::MaxPatients)));
            dialog.accept();
            QCOMPARE(stored(c.key).toDouble(), c.saved);
        }
    }

    void deviceTable()
    {
        // Stored order is kept; entries without a name or a port are left out.
        QSettings().setValue(QStringLiteral("Config/Devices"),
                             QStringList{"NVR2=COM10", "A=B=COM4", "no separator", "=COM5", "NVR7=", "NVR1=COM3"});
        ConfigDialog dialog;
        dialog.show();
        QCOMPARE(tableRows(dialog), (QStringList{"NVR2=COM10", "A=B=COM4", "NVR1=COM3"}));
        auto *tree = dialog.findChild<QTreeWidget *>(QStringLiteral("treeDevices"));
        tree->setCurrentItem(tree->topLevelItem(1));
        click(dialog, "btnRemove");
        tree->setCurrentItem(nullptr);
        click(dialog, "btnRemove");
        // Add puts a placeholder row up for editing.
        click(dialog, "btnAdd");
        QVERIFY(tree->findChild<QLineEdit *>());
        click(dialog, "btnAdd");
        dialog.accept();
        QCOMPARE(stored("Devices").toStringList(), (QStringList{"NVR2=COM10", "NVR1=COM3", "NVR999=COM99", "NVR999=COM99"}));
        // Cancelled, nothing is stored.
        ConfigDialog cancelled;
        click(cancelled, "btnAdd");
        cancelled.reject();
        QCOMPARE(stored("Devices").toStringList().size(), 4);
    }

    void detection()
    {
        QSettings().setValue(QStringLiteral("Config/Devices"), QStringList{"NVR999=COM99", "NVR1=COM3"});
        ConfigDialog dialog;
        dialog.show();
        if (!candidateModulePorts().isEmpty())
            QSKIP("this machine offers module ports to probe");
        MessageBoxAnswerer ok(QMessageBox::Ok);
        click(dialog, "btnDetect");
        QTRY_COMPARE(ok.texts.size(), 2);
        QCOMPARE(ok.texts.at(1), QStringLiteral("No modules found."));
        QCOMPARE(ok.busy, (QList<bool>{false, false}));
        // Modules not found stay listed, in name order; nothing is stored yet.
        QCOMPARE(tableRows(dialog), (QStringList{"NVR1=COM3", "NVR999=COM99"}));
        QCOMPARE(stored("Devices").toStringList(), (QStringList{"NVR999=COM99", "NVR1=COM3"}));
    }
};

QTEST_MAIN(TestDialogs)
#include "tst_dialogs.moc"
