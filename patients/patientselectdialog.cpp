#include "patients/patientselectdialog.h"
#include "ui_patientselectdialog.h"

#include "patients/waitcursor.h"
#include "storage/errortext.h"
#include "storage/monitordatabase.h"
#include "storage/openrecords.h"

#include <QCollator>
#include <QHeaderView>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QShortcut>
#include <QTimer>

#include <exception>

namespace {

enum Column { ColumnId = 0, ColumnPatient = 1, ColumnLastSession = 2 };

// Sorts ids as numbers, names in the user's collation and sessions by date
// rather than by their displayed text.
class PatientItem : public QTreeWidgetItem
{
public:
    explicit PatientItem(const PatientSummary &patient)
    {
        setText(ColumnId, QString::number(patient.id));
        setText(ColumnPatient, patient.name);
        if (patient.lastSession.isValid())
            setText(ColumnLastSession, QLocale::system().toString(patient.lastSession, QLocale::ShortFormat));
        setData(ColumnLastSession, Qt::UserRole, patient.lastSession);
    }

    static const QCollator &collator()
    {
        // Accented and lower-case names sort with their plain letters.
        static const QCollator names = [] {
            // The C locale would sort by code point, putting accented names last.
            const QLocale locale = QLocale().language() == QLocale::C ? QLocale(QLocale::English) : QLocale();
            QCollator collator(locale);
            collator.setCaseSensitivity(Qt::CaseInsensitive);
            return collator;
        }();
        return names;
    }

    bool operator<(const QTreeWidgetItem &other) const override
    {
        const int column = treeWidget() ? treeWidget()->sortColumn() : ColumnPatient;
        switch (column) {
        case ColumnId:
            return text(ColumnId).toInt() < other.text(ColumnId).toInt();
        case ColumnLastSession:
            return data(ColumnLastSession, Qt::UserRole).toDate() < other.data(ColumnLastSession, Qt::UserRole).toDate();
        default:
            return collator().compare(text(ColumnPatient), other.text(ColumnPatient)) < 0;
        }
    }
};

} // namespace

PatientSelectDialog::PatientSelectDialog(QWidget *parent, MonitorDatabase &database, const OpenRecords &openRecords)
    : QDialog(parent)
    , ui(new Ui::PatientSelectDialog)
    , m_database(database)
    , m_openRecords(openRecords)
{
    ui->setupUi(this);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    ui->treePatients->setColumnHidden(ColumnId, true);
    ui->treePatients->header()->setSectionResizeMode(ColumnPatient, QHeaderView::Stretch);
    ui->treePatients->header()->setSectionResizeMode(ColumnLastSession, QHeaderView::ResizeToContents);
    ui->treePatients->sortByColumn(ColumnPatient, Qt::AscendingOrder);

    ui->buttonBox->button(QDialogButtonBox::Ok)->setEnabled(false);
    ui->btnDelete->setEnabled(false);

    // Down in the filter field goes on to the list.
    auto *down = new QShortcut(QKeySequence(Qt::Key_Down), ui->txtFilter, nullptr, nullptr, Qt::WidgetShortcut);
    connect(down, &QShortcut::activated, this, [this] { ui->treePatients->setFocus(Qt::TabFocusReason); });

    // Load once the dialog has been painted.
    QTimer::singleShot(0, this, &PatientSelectDialog::loadPatients);
}

PatientSelectDialog::~PatientSelectDialog()
{
    delete ui;
}

bool PatientSelectDialog::matchesFilter(const QString &name, const QString &filter)
{
    static const QRegularExpression blanks(QStringLiteral("\\s+"));
    const QStringList words = filter.split(blanks, Qt::SkipEmptyParts);
    for (const QString &word : words) {
        if (!name.contains(word, Qt::CaseInsensitive))
            return false;
    }
    return true;
}

void PatientSelectDialog::loadPatients()
{
    QString error;
    {
        WaitCursor wait;
        QList<PatientSummary> patients;
        try {
            patients = m_database.listPatients();
        } catch (const std::exception &e) {
            error = errorText(e);
        }
        QTreeWidget *tree = ui->treePatients;
        tree->setSortingEnabled(false);
        tree->clear();
        QList<QTreeWidgetItem *> items;
        items.reserve(patients.size());
        for (const PatientSummary &patient : qAsConst(patients))
            items.append(new PatientItem(patient));
        tree->addTopLevelItems(items);
        tree->setSortingEnabled(true);
        tree->sortItems(ColumnPatient, Qt::AscendingOrder);
    }
    if (!error.isEmpty())
        showError(error);
}

void PatientSelectDialog::on_txtFilter_textChanged(const QString &text)
{
    QTreeWidget *tree = ui->treePatients;
    QTreeWidgetItem *firstShown = nullptr;
    int count = 0;
    for (int i = 0; i < tree->topLevelItemCount(); ++i) {
        QTreeWidgetItem *item = tree->topLevelItem(i);
        const bool shown = matchesFilter(item->text(ColumnPatient), text);
        item->setHidden(!shown);
        if (!shown) {
            // What is out of sight can be neither deleted nor accepted.
            item->setSelected(false);
            if (item == tree->currentItem())
                tree->selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
            continue;
        }
        if (count++ == 0)
            firstShown = item;
    }
    if (count == 0)
        tree->selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
    else if (count == 1)
        tree->setCurrentItem(firstShown);
}

void PatientSelectDialog::on_treePatients_currentItemChanged(QTreeWidgetItem *current, QTreeWidgetItem *)
{
    ui->buttonBox->button(QDialogButtonBox::Ok)->setEnabled(current != nullptr);
}

void PatientSelectDialog::on_treePatients_itemSelectionChanged()
{
    ui->btnDelete->setEnabled(!ui->treePatients->selectedItems().isEmpty());
}

void PatientSelectDialog::on_treePatients_itemDoubleClicked(QTreeWidgetItem *item, int)
{
    if (!item)
        return;
    ui->treePatients->setCurrentItem(item);
    accept();
}

void PatientSelectDialog::accept()
{
    const QTreeWidgetItem *current = ui->treePatients->currentItem();
    if (!current)
        return;
    m_selectedId = current->text(ColumnId).toInt();
    QDialog::accept();
}

void PatientSelectDialog::on_btnDelete_clicked()
{
    deleteSelected();
}

void PatientSelectDialog::on_actionDelete_triggered()
{
    deleteSelected();
}

void PatientSelectDialog::deleteSelected()
{
    const QList<QTreeWidgetItem *> selected = ui->treePatients->selectedItems();
    if (selected.isEmpty())
        return;
    for (const QTreeWidgetItem *item : selected) {
        const int id = item->text(ColumnId).toInt();
        QString refusal;
        if (m_openRecords.isMonitored(id))
            refusal = tr("Patients being monitored in this session cannot be deleted.");
        else if (m_openRecords.isReviewed(id))
            refusal = tr("Patients open for review cannot be deleted.");
        if (!refusal.isEmpty()) {
            QMessageBox::warning(this, tr("Warning"), refusal);
            return;
        }
    }
    if (QMessageBox::question(this, tr("Confirm"), tr("Delete selected patients?"),
                              QMessageBox::Yes | QMessageBox::No, QMessageBox::No)
        != QMessageBox::Yes)
        return;

    QList<int> ids;
    for (const QTreeWidgetItem *item : selected)
        ids.append(item->text(ColumnId).toInt());

    QString error;
    {
        WaitCursor wait;
        try {
            for (int id : qAsConst(ids))
                m_database.deletePatient(id);
        } catch (const std::exception &e) {
            error = errorText(e);
        }
    }
    if (!error.isEmpty())
        showError(error);
    // Reload also after a failure: part of the patients may be gone already.
    loadPatients();
}

void PatientSelectDialog::showError(const QString &text)
{
    QMessageBox::critical(this, tr("Error"), text);
}
