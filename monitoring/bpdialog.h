#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class BPDialog;
}

// One blood-pressure reading with its phase: 1 basal, 2 intra-exercise,
// 3 post-exercise. OK stays disabled until the reading is plausible.
class BPDialog : public QDialog
{
    Q_OBJECT

public:
    BPDialog(QWidget *parent, const QString &title, int kind);
    ~BPDialog() override;

    int kind() const { return m_kind; }
    int systolic() const { return m_systolic; }
    int diastolic() const { return m_diastolic; }

private slots:
    void on_txtSBP_returnPressed();
    void on_txtSBP_textChanged(const QString &text);
    void on_txtDBP_textChanged(const QString &text);
    void on_BPDialog_accepted();
    void on_rbtBasal_clicked();
    void on_rbtIntraExercise_clicked();
    void on_rbtPostExercise_clicked();

private:
    int checkedKind() const;
    void validate();

    std::unique_ptr<Ui::BPDialog> ui;
    int m_kind;
    int m_systolic = 0;
    int m_diastolic = 0;
};
