// The patient selection dialog: its filter rule, choosing a patient from the
// sorted list, and deleting patients with every answer and failure.

#include "../common/messageboxanswerer.h"
#include "../common/teststorage.h"

#include "patients/patientselectdialog.h"

#include <QAction>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlQuery>
#include <QTreeWidget>
#include <QtTest>

class TestPatientSelectDialog : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestStorage> m_storage;
    std::unique_ptr<PatientSelectDialog> m_dialog;

    QTreeWidget *tree() const { return m_dialog->findChild<QTreeWidget *>(QStringLiteral("treePatients")); }
    QLineEdit *filter() const { return m_dialog->findChild<QLineEdit *>(QStringLiteral("txtFilter")); }
    QTreeWidgetItem *row(const QString &name) const { return tree()->findItems(name, Qt::MatchExactly, 1).value(0); }
    bool okEnabled() const
    {
        return m_dialog->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->isEnabled();
    }
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
        m_dialog = std::make_unique<PatientSelectDialog>();
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
        // Names sort in the user's language; a test machine often runs in the C locale.
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    }

    void init()
    {
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

    void matchesFilter_data()
    {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<bool>("matches");
        QTest::newRow("empty") << "" << true;
        QTest::newRow("one word, other case") << "GARCÍA" << true;
        QTest::newRow("two words, any order, blanks around") << "  juan \t garc " << true;
        QTest::newRow("one word missing") << "juan pérez" << false;
        QTest::newRow("word spans the comma") << "lópez, juan" << true;
        QTest::newRow("inside a word") << "arcí" << true;
    }

    void matchesFilter()
    {
        QFETCH(QString, filter);
        QFETCH(bool, matches);
        QCOMPARE(PatientSelectDialog::matchesFilter(QStringLiteral("García López, Juan"), filter), matches);
    }

    void chooseFromTheSortedList()
    {
        m_storage->startSession(1, QDateTime(QDate(2020, 3, 5), QTime(10, 0)));
        open();
        QCOMPARE(shown(), (QStringList{"Álvarez, María José", "Doe, Jane", "García López, Juan", "Smith, John",
                                       "Smithson, Jane"}));
        QCOMPARE(row(QStringLiteral("Smith, John"))->text(2), QLocale::system().toString(QDate(2020, 3, 5), QLocale::ShortFormat));
        QCOMPARE(row(QStringLiteral("Doe, Jane"))->text(2), QString());

        QTest::keyClicks(filter(), QStringLiteral("  jane    SMITH "));
        QCOMPARE(shown(), QStringList{"Smithson, Jane"});
        // A single match becomes current and stays so when the filter is cleared.
        filter()->setText(QStringLiteral("doe"));
        QCOMPARE(tree()->currentItem(), row(QStringLiteral("Doe, Jane")));
        filter()->clear();
        QCOMPARE(shown().size(), 5);
        QCOMPARE(tree()->currentItem(), row(QStringLiteral("Doe, Jane")));
        // A hidden row is neither current nor selected.
        row(QStringLiteral("Smith, John"))->setSelected(true);
        filter()->setText(QStringLiteral("smi"));
        QVERIFY(!tree()->currentItem());
        QVERIFY(!okEnabled());
        QCOMPARE(tree()->selectedItems(), QList<QTreeWidgetItem *>{row(QStringLiteral("Smith, John"))});
        filter()->setText(QStringLiteral("nobody"));
        QVERIFY(shown().isEmpty());

        filter()->clear();
        QTreeWidgetItem *item = row(QStringLiteral("García López, Juan"));
        const QRect rect = tree()->visualItemRect(item);
        QTest::mouseClick(tree()->viewport(), Qt::LeftButton, Qt::NoModifier, rect.center());
        QTest::mouseDClick(tree()->viewport(), Qt::LeftButton, Qt::NoModifier, rect.center());
        QCOMPARE(m_dialog->result(), int(QDialog::Accepted));
        QCOMPARE(m_dialog->selectedPatientId(), item->text(0).toInt());
        open();
        tree()->setCurrentItem(row(QStringLiteral("Doe, Jane")));
        m_dialog->reject();
        QCOMPARE(m_dialog->selectedPatientId(), -1);
    }

    void deletePatients()
    {
        open();
        const int monitored = row(QStringLiteral("Doe, Jane"))->text(0).toInt();
        m_dialog->setMonitoredPatientCheck([monitored](int id) { return id == monitored; });
        {
            MessageBoxAnswerer no(QMessageBox::No);
            deleteRows({"Smith, John", "Álvarez, María José"});
            QCOMPARE(no.texts, QStringList{"Delete selected patients?"});
        }
        QCOMPARE(m_storage->database->listPatients().size(), 5);
        MessageBoxAnswerer yes(QMessageBox::Yes);
        // A monitored patient is refused, with the rest of the selection.
        deleteRows({"Smith, John", "Doe, Jane"});
        QCOMPARE(yes.titles, QStringList{"Warning"});
        deleteRows({"Smith, John", "Álvarez, María José"});
        QCOMPARE(yes.titles, (QStringList{"Warning", "Confirm"}));
        QCOMPARE(shown(), (QStringList{"Doe, Jane", "García López, Juan", "Smithson, Jane"}));
        QCOMPARE(m_storage->database->listPatients().size(), 3);
        QVERIFY(!m_dialog->findChild<QPushButton *>(QStringLiteral("btnDelete"))->isEnabled());
        // Nothing selected: no question at all.
        m_dialog->findChild<QAction *>(QStringLiteral("actionDelete"))->trigger();
        QCOMPARE(yes.titles.size(), 2);

        // Failures are told: the deletion, then the reload; the dialog stays.
        QVERIFY(QSqlQuery().exec(QStringLiteral("drop table Session")));
        deleteRows({"García López, Juan"});
        QCOMPARE(yes.titles, (QStringList{"Warning", "Confirm", "Confirm", "Error", "Error"}));
        QVERIFY(m_dialog->isVisible());
        PatientSelectDialog failing;
        failing.show();
        QTRY_COMPARE(yes.titles.size(), 6);
        QCOMPARE(failing.findChild<QTreeWidget *>()->topLevelItemCount(), 0);
    }
};

QTEST_MAIN(TestPatientSelectDialog)
#include "tst_patientselectdialog.moc"
