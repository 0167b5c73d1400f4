#include "../common/messageboxanswerer.h"

#include "patients/patientselectdialog.h"
#include "storage/monitordatabase.h"

#include <QAction>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>

#include <memory>

class TestPatientSelectDialog : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void matchesFilter_data();
    void matchesFilter();

    void listIsSortedByName();
    void filterWithSeveralBlanks();
    void singleMatchBecomesCurrent();
    void hiddenRowsAreNeitherCurrentNorSelected();
    void doubleClickAccepts();
    void deleteThreeSelectedPatients();
    void answeringNoDeletesNothing();
    void monitoredPatientsAreNotDeleted();
    void loadFailureIsReported();
    void deleteFailureIsReported();

private:
    int addPatient(const QString &last, const QString &first);
    void openDialog(PatientSelectDialog &dialog);
    QStringList shownNames(PatientSelectDialog &dialog) const;
    static QTreeWidget *tree(PatientSelectDialog &dialog) { return dialog.findChild<QTreeWidget *>("treePatients"); }
    static QLineEdit *filter(PatientSelectDialog &dialog) { return dialog.findChild<QLineEdit *>("txtFilter"); }
    static QPushButton *okButton(PatientSelectDialog &dialog)
    {
        return dialog.findChild<QDialogButtonBox *>("buttonBox")->button(QDialogButtonBox::Ok);
    }
    QTreeWidgetItem *row(PatientSelectDialog &dialog, const QString &name) const;

    QMap<QString, int> m_ids; // by last name
    std::unique_ptr<QTemporaryDir> m_rootDir;
    std::unique_ptr<MonitorDatabase> m_database;
};

void TestPatientSelectDialog::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    // Names sort in the user's language; a test machine often runs in the C locale.
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
}

void TestPatientSelectDialog::init()
{
    m_rootDir = std::make_unique<QTemporaryDir>();
    m_database = std::make_unique<MonitorDatabase>(m_rootDir->path());
    addPatient("Smith", "John");
    addPatient("Smithson", "Jane");
    addPatient("Doe", "Jane");
    addPatient("Álvarez", "María José");
    addPatient("García López", "Juan");
}

void TestPatientSelectDialog::cleanup()
{
    QVERIFY(!QApplication::overrideCursor());
    m_database.reset();
    m_rootDir.reset();
}

int TestPatientSelectDialog::addPatient(const QString &last, const QString &first)
{
    PatientRecord record;
    record.lastName = last;
    record.firstName = first;
    m_database->insertPatient(record);
    m_ids.insert(last, record.id);
    return record.id;
}

void TestPatientSelectDialog::openDialog(PatientSelectDialog &dialog)
{
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QTRY_VERIFY(tree(dialog)->topLevelItemCount() > 0);
}

QStringList TestPatientSelectDialog::shownNames(PatientSelectDialog &dialog) const
{
    QStringList names;
    for (int i = 0; i < tree(dialog)->topLevelItemCount(); ++i) {
        if (!tree(dialog)->topLevelItem(i)->isHidden())
            names.append(tree(dialog)->topLevelItem(i)->text(1));
    }
    return names;
}

QTreeWidgetItem *TestPatientSelectDialog::row(PatientSelectDialog &dialog, const QString &name) const
{
    const QList<QTreeWidgetItem *> items = tree(dialog)->findItems(name, Qt::MatchExactly, 1);
    return items.isEmpty() ? nullptr : items.first();
}

void TestPatientSelectDialog::matchesFilter_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<bool>("matches");
    QTest::newRow("empty") << "" << true;
    QTest::newRow("one word, other case") << "GARCÍA" << true;
    QTest::newRow("two words, any order") << "juan garc" << true;
    QTest::newRow("tab between words") << "lópez\tjuan" << true;
    QTest::newRow("one word missing") << "juan pérez" << false;
    QTest::newRow("word spans the comma") << "lópez, juan" << true;
    QTest::newRow("not a prefix match only") << "arcí" << true;
}

void TestPatientSelectDialog::matchesFilter()
{
    QFETCH(QString, filter);
    QFETCH(bool, matches);
    QCOMPARE(PatientSelectDialog::matchesFilter(QStringLiteral("García López, Juan"), filter), matches);
}

void TestPatientSelectDialog::listIsSortedByName()
{
    SessionInfo session;
    session.patientId = m_ids.value("Smith");
    session.sessionNumber = 1;
    session.startDateTime = QDateTime(QDate(2020, 3, 5), QTime(10, 0));
    session.baseFilename = "Smith-John-20200305100000";
    m_database->insertSession(session);

    PatientSelectDialog dialog;
    openDialog(dialog);
    QCOMPARE(shownNames(dialog), (QStringList{"Álvarez, María José", "Doe, Jane", "García López, Juan",
                                             "Smith, John", "Smithson, Jane"}));
    QCOMPARE(row(dialog, "Smith, John")->text(2),
             QLocale::system().toString(QDate(2020, 3, 5), QLocale::ShortFormat));
    QCOMPARE(row(dialog, "Doe, Jane")->text(2), QString());
}

void TestPatientSelectDialog::filterWithSeveralBlanks()
{
    PatientSelectDialog dialog;
    openDialog(dialog);
    QTest::keyClicks(filter(dialog), "  jane    SMITH ");
    QCOMPARE(shownNames(dialog), QStringList{"Smithson, Jane"});
    filter(dialog)->setText("jane");
    QCOMPARE(shownNames(dialog), (QStringList{"Doe, Jane", "Smithson, Jane"}));
    filter(dialog)->setText("nobody");
    QVERIFY(shownNames(dialog).isEmpty());
    QVERIFY(!tree(dialog)->currentItem());
    QVERIFY(!okButton(dialog)->isEnabled());
}

void TestPatientSelectDialog::singleMatchBecomesCurrent()
{
    PatientSelectDialog dialog;
    openDialog(dialog);
    QTest::keyClicks(filter(dialog), "doe");
    QCOMPARE(tree(dialog)->currentItem(), row(dialog, "Doe, Jane"));
    // Clearing the filter keeps the current row.
    filter(dialog)->clear();
    QCOMPARE(shownNames(dialog).size(), 5);
    QCOMPARE(tree(dialog)->currentItem(), row(dialog, "Doe, Jane"));
    QTest::mouseClick(okButton(dialog), Qt::LeftButton);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(dialog.selectedPatientId(), row(dialog, "Doe, Jane")->text(0).toInt());
}

void TestPatientSelectDialog::hiddenRowsAreNeitherCurrentNorSelected()
{
    PatientSelectDialog dialog;
    openDialog(dialog);
    tree(dialog)->setCurrentItem(row(dialog, "Doe, Jane"));
    row(dialog, "Smith, John")->setSelected(true);
    QVERIFY(okButton(dialog)->isEnabled());
    filter(dialog)->setText("smi");
    QCOMPARE(shownNames(dialog), (QStringList{"Smith, John", "Smithson, Jane"}));
    QVERIFY(!tree(dialog)->currentItem());
    QVERIFY(!okButton(dialog)->isEnabled());
    QCOMPARE(tree(dialog)->selectedItems(), QList<QTreeWidgetItem *>{row(dialog, "Smith, John")});
}

void TestPatientSelectDialog::doubleClickAccepts()
{
    PatientSelectDialog dialog;
    openDialog(dialog);
    QTreeWidgetItem *item = row(dialog, "García López, Juan");
    const QRect rect = tree(dialog)->visualItemRect(item);
    QTest::mouseClick(tree(dialog)->viewport(), Qt::LeftButton, Qt::NoModifier, rect.center());
    QTest::mouseDClick(tree(dialog)->viewport(), Qt::LeftButton, Qt::NoModifier, rect.center());
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(dialog.selectedPatientId(), item->text(0).toInt());

    PatientSelectDialog rejected;
    openDialog(rejected);
    tree(rejected)->setCurrentItem(row(rejected, "Doe, Jane"));
    rejected.reject();
    QCOMPARE(rejected.selectedPatientId(), -1);
}

void TestPatientSelectDialog::deleteThreeSelectedPatients()
{
    PatientSelectDialog dialog;
    openDialog(dialog);
    QList<int> deleted;
    for (const QString &name : QStringList{"Doe, Jane", "Smith, John", "Álvarez, María José"}) {
        row(dialog, name)->setSelected(true);
        deleted.append(row(dialog, name)->text(0).toInt());
    }
    MessageBoxAnswerer answerer(QMessageBox::Yes);
    dialog.findChild<QPushButton *>("btnDelete")->click();
    QCOMPARE(answerer.texts, QStringList{"Delete selected patients?"});

    QCOMPARE(shownNames(dialog), (QStringList{"García López, Juan", "Smithson, Jane"}));
    QCOMPARE(m_database->listPatients().size(), 2);
    PatientRecord record;
    for (int id : deleted)
        QVERIFY(!m_database->loadPatient(id, record));
    QVERIFY(!dialog.findChild<QPushButton *>("btnDelete")->isEnabled());
}

void TestPatientSelectDialog::answeringNoDeletesNothing()
{
    PatientSelectDialog dialog;
    openDialog(dialog);
    tree(dialog)->selectAll();
    MessageBoxAnswerer answerer(QMessageBox::No);
    dialog.findChild<QAction *>("actionDelete")->trigger();
    QCOMPARE(answerer.titles, QStringList{"Confirm"});
    QCOMPARE(m_database->listPatients().size(), 5);

    // Nothing selected: no question at all.
    tree(dialog)->clearSelection();
    dialog.findChild<QAction *>("actionDelete")->trigger();
    QCOMPARE(answerer.titles.size(), 1);
}

void TestPatientSelectDialog::monitoredPatientsAreNotDeleted()
{
    PatientSelectDialog dialog;
    const int monitored = m_ids.value("Doe");
    dialog.setMonitoredPatientCheck([monitored](int id) { return id == monitored; });
    openDialog(dialog);
    tree(dialog)->selectAll();
    MessageBoxAnswerer answerer(QMessageBox::Yes);
    dialog.findChild<QAction *>("actionDelete")->trigger();
    QCOMPARE(answerer.titles, QStringList{"Warning"});
    QCOMPARE(m_database->listPatients().size(), 5);

    // Without the monitored patient the others go as usual.
    row(dialog, "Doe, Jane")->setSelected(false);
    dialog.findChild<QAction *>("actionDelete")->trigger();
    QCOMPARE(answerer.titles, (QStringList{"Warning", "Confirm"}));
    QCOMPARE(m_database->listPatients().size(), 1);
}

void TestPatientSelectDialog::loadFailureIsReported()
{
    QVERIFY(QSqlQuery().exec("drop table Session"));
    MessageBoxAnswerer answerer(QMessageBox::Ok);
    PatientSelectDialog dialog;
    dialog.show();
    QTRY_COMPARE(answerer.titles, QStringList{"Error"});
    QCOMPARE(tree(dialog)->topLevelItemCount(), 0);
}

void TestPatientSelectDialog::deleteFailureIsReported()
{
    PatientSelectDialog dialog;
    openDialog(dialog);
    row(dialog, "Doe, Jane")->setSelected(true);
    QVERIFY(QSqlQuery().exec("drop table Session"));

    MessageBoxAnswerer answerer(QMessageBox::Yes);
    dialog.findChild<QPushButton *>("btnDelete")->click();
    // The question, the failed deletion, and the failed reload.
    QCOMPARE(answerer.titles, (QStringList{"Confirm", "Error", "Error"}));
    QVERIFY(dialog.isVisible());
}

QTEST_MAIN(TestPatientSelectDialog)
#include "tst_patientselectdialog.moc"
