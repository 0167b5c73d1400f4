#include "monitoring/bpdialog.h"

#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

class TestBPDialog : public QObject
{
    Q_OBJECT

private slots:
    void preselection_data();
    void preselection();
    void okEnabling_data();
    void okEnabling();
    void focusAdvance_data();
    void focusAdvance();
    void returnMovesFocus();
    void acceptanceGivesReading();
};

namespace {

struct DialogParts
{
    QLineEdit *sbp;
    QLineEdit *dbp;
    QPushButton *ok;
};

DialogParts parts(BPDialog &dialog)
{
    return {dialog.findChild<QLineEdit *>(QStringLiteral("txtSBP")),
            dialog.findChild<QLineEdit *>(QStringLiteral("txtDBP")),
            dialog.findChild<QDialogButtonBox *>(QStringLiteral("buttonBox"))->button(QDialogButtonBox::Ok)};
}

} // namespace

void TestBPDialog::preselection_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("checked");
    QTest::newRow("basal") << 1 << "rbtBasal";
    QTest::newRow("intra") << 2 << "rbtIntraExercise";
    QTest::newRow("post") << 3 << "rbtPostExercise";
    QTest::newRow("after post") << 4 << "";
}

void TestBPDialog::preselection()
{
    QFETCH(int, kind);
    QFETCH(QString, checked);
    BPDialog dialog(nullptr, QStringLiteral("Doe, Jane"), kind);
    for (QRadioButton *radio : dialog.findChildren<QRadioButton *>())
        QCOMPARE(radio->isChecked(), radio->objectName() == checked);
    QVERIFY(!parts(dialog).ok->isEnabled());
}

void TestBPDialog::okEnabling_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("sbp");
    QTest::addColumn<QString>("dbp");
    QTest::addColumn<bool>("enabled");
    QTest::newRow("120/80 basal") << 1 << "120" << "80" << true;
    QTest::newRow("80/120") << 1 << "80" << "120" << false;
    QTest::newRow("120/10") << 1 << "120" << "10" << false;
    QTest::newRow("120/80 no phase") << 4 << "120" << "80" << false;
    QTest::newRow("diastolic missing") << 2 << "120" << "" << false;
}

void TestBPDialog::okEnabling()
{
    QFETCH(int, kind);
    QFETCH(QString, sbp);
    QFETCH(QString, dbp);
    QFETCH(bool, enabled);
    BPDialog dialog(nullptr, QString(), kind);
    DialogParts p = parts(dialog);
    QTest::keyClicks(p.sbp, sbp);
    QTest::keyClicks(p.dbp, dbp);
    QCOMPARE(p.ok->isEnabled(), enabled);
}

void TestBPDialog::focusAdvance_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("digitsBeforeMove");
    QTest::newRow("40") << "40" << 2;
    QTest::newRow("120") << "120" << 3;
    QTest::newRow("35x") << "350" << 3;
}

void TestBPDialog::focusAdvance()
{
    QFETCH(QString, typed);
    QFETCH(int, digitsBeforeMove);
    BPDialog dialog(nullptr, QString(), 1);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    DialogParts p = parts(dialog);
    QCOMPARE(QApplication::focusWidget(), p.sbp);
    for (int i = 0; i < typed.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), typed.at(i).toLatin1());
        const bool moved = i + 1 >= digitsBeforeMove;
        QCOMPARE(QApplication::focusWidget() == p.dbp, moved);
        if (moved)
            break;
    }
    QCOMPARE(p.sbp->text(), typed.left(digitsBeforeMove));
}

void TestBPDialog::returnMovesFocus()
{
    BPDialog dialog(nullptr, QString(), 1);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    DialogParts p = parts(dialog);
    // The "099" mask makes Return count only for three digits; "030" is
    // three digits that do not advance by themselves.
    QTest::keyClicks(p.sbp, QStringLiteral("030"));
    QCOMPARE(QApplication::focusWidget(), p.sbp);
    QTest::keyClick(p.sbp, Qt::Key_Return);
    QCOMPARE(QApplication::focusWidget(), p.dbp);
    QVERIFY(dialog.isVisible());
}

void TestBPDialog::acceptanceGivesReading()
{
    BPDialog dialog(nullptr, QString(), 4);
    DialogParts p = parts(dialog);
    QTest::keyClicks(p.sbp, QStringLiteral("135"));
    QTest::keyClicks(p.dbp, QStringLiteral("85"));
    QVERIFY(!p.ok->isEnabled());
    dialog.findChild<QRadioButton *>(QStringLiteral("rbtPostExercise"))->click();
    p.ok->click();
    QCOMPARE(dialog.kind(), 3);
    QCOMPARE(dialog.systolic(), 135);
    QCOMPARE(dialog.diastolic(), 85);
}

QTEST_MAIN(TestBPDialog)
#include "tst_bpdialog.moc"
