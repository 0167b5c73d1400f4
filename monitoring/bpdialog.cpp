#include "monitoring/bpdialog.h"
#include "ui_bpdialog.h"

#include "monitoring/monitorrules.h"

#include <QPushButton>

BPDialog::BPDialog(QWidget *parent, const QString &title, int kind)
    : QDialog(parent), ui(new Ui::BPDialog), m_kind(kind)
{
    ui->setupUi(this);
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    ui->txtSBP->setFocus();
    switch (kind) {
    case 1:
        ui->rbtBasal->setChecked(true);
        break;
    case 2:
        ui->rbtIntraExercise->setChecked(true);
        break;
    case 3:
        ui->rbtPostExercise->setChecked(true);
        break;
    default:
        break;
    }
    ui->buttonBox->button(QDialogButtonBox::Ok)->setEnabled(false);
    ui->lblPatientName->setText(title);
}

BPDialog::~BPDialog() = default;

int BPDialog::checkedKind() const
{
    if (ui->rbtBasal->isChecked())
        return 1;
    if (ui->rbtIntraExercise->isChecked())
        return 2;
    if (ui->rbtPostExercise->isChecked())
        return 3;
    return 0;
}

void BPDialog::validate()
{
    const bool ok = MonitorRules::isBloodPressureAcceptable(
        checkedKind(), ui->txtSBP->text().toInt(), ui->txtDBP->text().toInt());
    ui->buttonBox->button(QDialogButtonBox::Ok)->setEnabled(ok);
}

void BPDialog::on_txtSBP_returnPressed()
{
    ui->txtDBP->setFocus();
}

void BPDialog::on_txtSBP_textChanged(const QString &text)
{
    validate();
    if (MonitorRules::isSystolicComplete(text.toInt()))
        ui->txtDBP->setFocus();
}

void BPDialog::on_txtDBP_textChanged(const QString &)
{
    validate();
}

void BPDialog::on_BPDialog_accepted()
{
    m_kind = checkedKind();
    m_systolic = ui->txtSBP->text().toInt();
    m_diastolic = ui->txtDBP->text().toInt();
}

void BPDialog::on_rbtBasal_clicked()
{
    validate();
}

void BPDialog::on_rbtIntraExercise_clicked()
{
    validate();
}

void BPDialog::on_rbtPostExercise_clicked()
{
    validate();
}
