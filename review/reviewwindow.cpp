#include "review/reviewwindow.h"
#include "ui_reviewwindow.h"


#include "dsp/tstoredfilterchain.h"
#include "monitoring/monitorrules.h"
#include "monitoring/sessionmanager.h"
#include "patients/patientdialog.h"
#include "patients/patientpicture.h"
#include "patients/picklist.h"
#include "patients/waitcursor.h"
#include "reports/reportdialog.h"
#include "review/reviewrules.h"
#include "storage/monitordatabase.h"
#include "storage/monitorsession.h"
#include "storage/storageerror.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCompleter>
#include <QHeaderView>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QStringListModel>
#include <QTimer>

#include <exception>
#include <memory>

namespace {

const char ExerciseTypeListKey[] = "ExerciseTypeList";
const char AdaptationListKey[] = "AdaptationList";

enum EventColumn { ColumnOffset = 0, ColumnTime = 1, ColumnDescription = 2, ColumnPrint = 3 };

// Events are edited only in their description; a double click on another
// column must not open an editor there.
const Qt::ItemFlags EventEditable = Qt::ItemIsSelectable | Qt::ItemIsEditable | Qt::ItemIsUserCheckable | Qt::ItemIsEnabled;
const Qt::ItemFlags EventNotEditable = Qt::ItemIsSelectable | Qt::ItemIsUserCheckable | Qt::ItemIsEnabled;
const Qt::ItemFlags EventReadOnly = Qt::ItemIsSelectable | Qt::ItemIsEnabled;

QString errorText(const std::exception &error)
{
    const QString text = QString::fromUtf8(error.what());
    return text.isEmpty() ? ReviewWindow::tr("Unspecified application error") : text;
}

} // namespace

ReviewWindow::ReviewWindow(QWidget *parent, int patientId)
    : QMainWindow(parent), ui(new Ui::ReviewWindow), m_patientId(patientId), m_hold(patientId)
{
    ui->setupUi(this);
    setUpWidgets();

    PatientRecord patient;
    runShowingErrors([&] {
        if (database().loadPatient(m_patientId, patient))
            setWindowTitle(QStringLiteral("%1, %2").arg(patient.lastName, patient.firstName));
    });
    ui->cboAdaptation->setCurrentText(patient.adaptation);
    ui->txtSummaryConclusion->setPlainText(patient.conclusion);
    m_storedAdaptation = patient.adaptation;
    m_storedConclusion = patient.conclusion;

    // Sessions and recordings are read once the window is on screen.
    QTimer::singleShot(0, this, &ReviewWindow::loadSessions);
}

ReviewWindow::~ReviewWindow()
{
    learnPickLists();
}

void ReviewWindow::setUpWidgets()
{
    ui->spo2Graphic->hide();
    ui->tempGraphic->hide();
    ui->lblSessionHeld->hide();

    const QList<QPair<QComboBox *, const char *>> pickLists = {{ui->cboExerciseType, ExerciseTypeListKey},
                                                               {ui->cboAdaptation, AdaptationListKey}};
    for (const auto &list : pickLists) {
        list.first->setModel(new QStringListModel(PickList::entries(QLatin1String(list.second)), list.first));
        if (list.first->completer())
            list.first->completer()->setCaseSensitivity(Qt::CaseSensitive);
        list.first->setCurrentIndex(-1);
        list.first->clearEditText();
    }

    const QList<QPair<QPlotGraphic *, QPair<double, double>>> trends = {
        {ui->hrGraphic, {50.0, 200.0}}, {ui->spo2Graphic, {80.0, 100.0}}, {ui->tempGraphic, {35.0, 40.0}}};
    for (const auto &trend : trends) {
        trend.first->setStyle(QPlotGraphic::Lines);
        trend.first->setTimeFormat(QStringLiteral("mm:ss"));
        trend.first->setYRange(trend.second.first, trend.second.second);
    }

    // The heart-rate trend marks where the ECG is shown; a click on it shows
    // the ECG of that moment.
    ui->hrGraphic->setHighlightVisible(true);
    ui->hrGraphic->setHighlightOnClick(true);
    connect(ui->ecgGraphic, &QSignalBrowseDisplay::startTimeChanged, this, [this] {
        ui->hrGraphic->setHighlightValue(ui->ecgGraphic->position());
        ui->hrGraphic->refresh();
    });
    connect(ui->hrGraphic, &QPlotGraphic::highlightChanged, this,
            [this] { ui->ecgGraphic->setPosition(ui->hrGraphic->highlightValue()); });

    QHeaderView *eventHeader = ui->treeEvents->header();
    eventHeader->setMinimumSectionSize(16);
    eventHeader->setStretchLastSection(false);
    eventHeader->setSectionResizeMode(ColumnDescription, QHeaderView::Stretch);
    ui->treeEvents->setColumnHidden(ColumnOffset, true);
    ui->treeEvents->setColumnWidth(ColumnTime, 50);
    ui->treeEvents->setColumnWidth(ColumnDescription, 100);
    // Wide enough for its translated header.
    const QString printHeader = ui->treeEvents->headerItem()->text(ColumnPrint);
    ui->treeEvents->setColumnWidth(ColumnPrint, qMax(30, eventHeader->fontMetrics().horizontalAdvance(printHeader) + 14));
    ui->treeEvents->headerItem()->setToolTip(ColumnPrint, tr("Print the ECG of this event in the session report"));

    QTableWidget *table = ui->tableCheckpoints;
    for (QHeaderView *header : {table->horizontalHeader(), table->verticalHeader()}) {
        header->setSectionsClickable(false);
        header->setSectionResizeMode(QHeaderView::Fixed);
    }
    // Three whole rows, and the two columns share the width beside the row names.
    table->setFixedHeight(table->horizontalHeader()->sizeHint().height()
                          + 3 * table->verticalHeader()->defaultSectionSize() + 2 * table->frameWidth());
    const int columnsWidth = ui->frameSessionData->maximumWidth() - table->verticalHeader()->sizeHint().width()
                             - 2 * table->frameWidth();
    table->setColumnWidth(0, columnsWidth * 2 / 5);
    table->setColumnWidth(1, columnsWidth - columnsWidth * 2 / 5);
    const QSignalBlocker blocker(table);
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 2; ++column) {
            auto *item = new QTableWidgetItem;
            item->setTextAlignment(Qt::AlignCenter);
            table->setItem(row, column, item);
        }
    }
}

void ReviewWindow::loadSessions()
{
    int skipped = 0;
    const bool listed = runShowingErrors([&] {
        WaitCursor wait;
        MonitorDatabase &db = database();
        const QList<SessionInfo> rows = db.listSessions(m_patientId);
        const QSignalBlocker blocker(ui->cboSession);
        for (const SessionInfo &row : rows) {
            std::unique_ptr<MonitorSession> session;
            try {
                session = db.openSession(m_patientId, row.sessionNumber);
            } catch (const std::exception &) {
                // Counted below like a study file that cannot be read.
            }
            if (!session) {
                ++skipped;
                continue;
            }
            if (SessionManager::isSessionHeld(m_patientId, row.sessionNumber))
                m_heldSessions.insert(row.sessionNumber);
            const QString absent = row.presence ? QString() : tr("(absent)");
            ui->cboSession->addItem(QStringLiteral("#%1 - %2 %3")
                                        .arg(row.sessionNumber)
                                        .arg(row.startDateTime.toString(QStringLiteral("dd/MM/yyyy")), absent),
                                    row.sessionNumber);
            m_sessionsByNumber.insert(row.sessionNumber, session.get());
            m_sessions.push_back(std::move(session));
        }
    });
    buildHistoryPlots(int(m_sessions.size()));
    if (skipped > 0)
        showMessage(QMessageBox::Warning, tr("Warning"),
                    tr("%n session(s) could not be opened and are not listed.", nullptr, skipped));
    if (!listed)
        return;
    if (m_sessions.empty()) {
        showMessage(QMessageBox::Information, tr("Information"), tr("Patient does not have any sessions"));
        return;
    }
    ui->txtAssistance->setText(QStringLiteral("%1 %").arg(attendancePercent(sessionList())));

    // Session 1 when it could be read, else the first one listed.
    const int number = m_sessionsByNumber.contains(1) ? 1 : m_sessions.front()->sessionNumber;
    {
        const QSignalBlocker blocker(ui->cboSession);
        ui->cboSession->setCurrentIndex(ui->cboSession->findData(number));
    }
    runShowingErrors([&] { showSession(m_sessionsByNumber.value(number)); });
}

void ReviewWindow::showSession(MonitorSession *session)
{
    ui->ecgGraphic->setSignal(nullptr);
    m_chain.reset();
    m_current = session;
    fillSessionFields();
    setSessionReadOnly(isReadOnly());

    m_hrValues.setTrend(&session->hrTrend);
    m_spo2Values.setTrend(&session->spo2Trend);
    m_tempValues.setTrend(&session->tempTrend);
    ui->hrGraphic->setXRange(0, session->hrTrend.size());
    ui->hrGraphic->setValues(&m_hrValues);
    ui->tempGraphic->setXRange(0, session->tempTrend.size());
    ui->tempGraphic->setValues(&m_tempValues);
    ui->spo2Graphic->setXRange(0, session->spo2Trend.size());
    ui->spo2Graphic->setValues(&m_spo2Values);

    attachRecording();
}

void ReviewWindow::fillSessionFields()
{
    const MonitorSession &s = *m_current;
    ui->cboExerciseType->setCurrentText(s.exerciseType);
    ui->txtWeight->setText(ReviewRules::measureText(s.weight));
    ui->txtHeight->setText(ReviewRules::measureText(s.height));
    ui->txtAbdomen->setText(ReviewRules::measureText(s.abdomen));
    ui->numBorgRPE->setValue(s.borgRPE);
    ui->txtSymptoms->setPlainText(s.symptoms);
    ui->txtConclusion->setPlainText(s.conclusion);
    updateBmi();
    {
        const QSignalBlocker blocker(ui->tableCheckpoints);
        for (int phase = PhaseBasal; phase <= PhasePostExercise; ++phase) {
            const Checkpoint c = s.checkpoint(phase);
            ui->tableCheckpoints->item(phase - 1, 0)->setText(QString::number(c.heartRate));
            ui->tableCheckpoints->item(phase - 1, 1)->setText(QStringLiteral("%1/%2").arg(c.sysBP).arg(c.diaBP));
        }
    }
    fillEvents();
    m_checkpointsModified = false;
    m_eventsModified = false;
    validateMeasurements();
}

void ReviewWindow::fillEvents()
{
    ui->treeEvents->clear();
    QList<QTreeWidgetItem *> items;
    for (const SessionEvent &event : qAsConst(m_current->events))
        items.append(makeEventItem(event.timeOffset, event.description, event.print));
    ui->treeEvents->insertTopLevelItems(0, items);
}

QTreeWidgetItem *ReviewWindow::makeEventItem(int offset, const QString &description, bool print) const
{
    auto *item = new QTreeWidgetItem;
    item->setData(ColumnOffset, Qt::DisplayRole, offset);
    item->setText(ColumnTime, m_current->startDateTime.addSecs(offset).toString(QStringLiteral("HH:mm")));
    item->setText(ColumnDescription, description);
    item->setFlags(isReadOnly() ? EventReadOnly : EventEditable);
    item->setCheckState(ColumnPrint, print ? Qt::Checked : Qt::Unchecked);
    return item;
}

void ReviewWindow::attachRecording()
{
    if (!m_current || !m_current->recording())
        return;
    m_chain = std::make_unique<TStoredFilterChain>(m_current->recording());
    m_chain->setNotchKind(QStringLiteral("50hz"));
    m_chain->setLowpassKind(QStringLiteral("25hz"));
    configureFilters();
}

void ReviewWindow::configureFilters()
{
    if (!m_chain)
        return;
    try {
        m_chain->configure(ui->btnFilterNotch->isChecked(), ui->btnFilterLowpass->isChecked(),
                           ui->btnFilterBaseline->isChecked());
    } catch (...) {
        // The stages built before the failure stay usable.
        ui->ecgGraphic->setSignal(m_chain->head());
        throw;
    }
    ui->ecgGraphic->setSignal(m_chain->head());
}

bool ReviewWindow::isReadOnly() const
{
    return m_current
           && (m_heldSessions.contains(m_current->sessionNumber)
               || SessionManager::isSessionHeld(m_patientId, m_current->sessionNumber));
}

void ReviewWindow::setSessionReadOnly(bool readOnly)
{
    const QList<QWidget *> fields = {ui->cboExerciseType, ui->txtWeight,         ui->txtHeight,
                                     ui->txtAbdomen,      ui->numBorgRPE,        ui->tableCheckpoints,
                                     ui->txtSymptoms,     ui->txtConclusion,     ui->btnAddEvent,
                                     ui->btnRemoveEvent};
    for (QWidget *field : fields)
        field->setEnabled(!readOnly);
    ui->lblSessionHeld->setVisible(readOnly);
}

bool ReviewWindow::isModified() const
{
    if (!m_current)
        return false;
    const MonitorSession &s = *m_current;
    return m_checkpointsModified || m_eventsModified || ui->txtWeight->isModified() || ui->txtHeight->isModified()
           || ui->txtAbdomen->isModified() || ui->numBorgRPE->value() != shownBorg(s)
           || ui->cboExerciseType->currentText() != s.exerciseType
           || ui->txtSymptoms->toPlainText() != s.symptoms || ui->txtConclusion->toPlainText() != s.conclusion;
}

int ReviewWindow::shownBorg(const MonitorSession &session) const
{
    return qBound(ui->numBorgRPE->minimum(), session.borgRPE, ui->numBorgRPE->maximum());
}

bool ReviewWindow::validateMeasurements()
{
    bool valid = true;
    for (QLineEdit *field : {ui->txtWeight, ui->txtHeight, ui->txtAbdomen}) {
        const bool fieldValid = MonitorRules::isValidMeasure(field->text());
        const QString style = fieldValid ? QString() : QStringLiteral("background-color: lightyellow");
        if (field->styleSheet() != style)
            field->setStyleSheet(style);
        valid = valid && fieldValid;
    }
    return valid;
}

void ReviewWindow::updateBmi()
{
    ui->txtBMI->setText(MonitorRules::bmiText(ui->txtWeight->text(), ui->txtHeight->text()));
}

bool ReviewWindow::leaveCurrentSession()
{
    if (!m_current || isReadOnly() || !isModified())
        return true;
    if (!validateMeasurements()) {
        const int answer = showMessage(QMessageBox::Question, tr("Confirm"),
                                       tr("The measurements of this session are not valid. Discard your changes?"),
                                       QMessageBox::Discard | QMessageBox::Cancel);
        if (answer != QMessageBox::Discard)
            return false;
        fillSessionFields();
        return true;
    }
    return saveOrAskDiscard([this] { saveCurrentSession(); }, [this] { fillSessionFields(); });
}

void ReviewWindow::saveCurrentSession()
{
    if (!m_current || isReadOnly())
        return;
    MonitorSession &s = *m_current;
    // What is stored now; put back when the write fails, so that the session
    // never holds more than its study file.
    const SessionData storedData = s;
    const QVector<SessionEvent> storedEvents = s.events;
    Checkpoint storedCheckpoints[3];
    for (int phase = PhaseBasal; phase <= PhasePostExercise; ++phase)
        storedCheckpoints[phase - 1] = s.checkpoint(phase);

    s.exerciseType = ui->cboExerciseType->currentText();
    s.weight = MonitorRules::measureValue(ui->txtWeight->text());
    s.height = MonitorRules::measureValue(ui->txtHeight->text());
    s.abdomen = MonitorRules::measureValue(ui->txtAbdomen->text());
    // A stored rating the spin box cannot show is kept unless another was chosen.
    if (ui->numBorgRPE->value() != shownBorg(s))
        s.borgRPE = ui->numBorgRPE->value();
    s.symptoms = ui->txtSymptoms->toPlainText();
    s.conclusion = ui->txtConclusion->toPlainText();
    for (int phase = PhaseBasal; phase <= PhasePostExercise; ++phase) {
        Checkpoint c = s.checkpoint(phase);
        c.heartRate = ReviewRules::heartRateCell(ui->tableCheckpoints->item(phase - 1, 0)->text());
        ReviewRules::readPressure(ui->tableCheckpoints->item(phase - 1, 1)->text(), c.sysBP, c.diaBP);
        s.setCheckpoint(phase, c);
    }
    // A description still being typed belongs to the edits: moving the focus
    // away from its editor commits it.
    QWidget *focus = QApplication::focusWidget();
    if (focus && focus != ui->treeEvents && ui->treeEvents->isAncestorOf(focus))
        ui->treeEvents->setFocus();
    s.events.clear();
    for (int i = 0; i < ui->treeEvents->topLevelItemCount(); ++i) {
        const QTreeWidgetItem *item = ui->treeEvents->topLevelItem(i);
        s.events.append({item->data(ColumnOffset, Qt::DisplayRole).toInt(), item->text(ColumnDescription),
                         item->checkState(ColumnPrint) == Qt::Checked});
    }

    try {
        database().updateSession(s);
    } catch (...) {
        static_cast<SessionData &>(s) = storedData;
        s.events = storedEvents;
        for (int phase = PhaseBasal; phase <= PhasePostExercise; ++phase)
            s.setCheckpoint(phase, storedCheckpoints[phase - 1]);
        throw;
    }
    for (QLineEdit *field : {ui->txtWeight, ui->txtHeight, ui->txtAbdomen, ui->cboExerciseType->lineEdit()})
        field->setModified(false);
    m_checkpointsModified = false;
    m_eventsModified = false;
}

void ReviewWindow::savePatientFields()
{
    const QString adaptation = ui->cboAdaptation->currentText();
    const QString conclusion = ui->txtSummaryConclusion->toPlainText();
    if (adaptation == m_storedAdaptation && conclusion == m_storedConclusion)
        return;
    MonitorDatabase &db = database();
    PatientRecord patient;
    if (!db.loadPatient(m_patientId, patient))
        throw StorageError(tr("Cannot get patient data").toStdString());
    patient.adaptation = adaptation;
    patient.conclusion = conclusion;
    db.updatePatient(patient);
    m_storedAdaptation = adaptation;
    m_storedConclusion = conclusion;
}

void ReviewWindow::restorePatientFields()
{
    ui->cboAdaptation->setCurrentText(m_storedAdaptation);
    ui->txtSummaryConclusion->setPlainText(m_storedConclusion);
}

bool ReviewWindow::saveOrAskDiscard(const std::function<void()> &save, const std::function<void()> &discard)
{
    try {
        save();
        return true;
    } catch (const std::exception &error) {
        const int answer = showMessage(QMessageBox::Critical, tr("Error"), errorText(error),
                                       QMessageBox::Discard | QMessageBox::Cancel,
                                       tr("Your changes were not saved. Discard them, or cancel to keep them "
                                          "and try again."));
        if (answer != QMessageBox::Discard)
            return false;
        discard();
        return true;
    }
}

bool ReviewWindow::runShowingErrors(const std::function<void()> &action)
{
    try {
        action();
        return true;
    } catch (const std::exception &error) {
        showMessage(QMessageBox::Critical, tr("Error"), errorText(error));
        return false;
    }
}

int ReviewWindow::showMessage(QMessageBox::Icon icon, const QString &title, const QString &text,
                              QMessageBox::StandardButtons buttons, const QString &details)
{
    // Modal to this window only: the monitoring window and other reviews
    // stay usable meanwhile.
    QMessageBox box(icon, title, text, buttons, this);
    if (!details.isEmpty())
        box.setInformativeText(details);
    if (buttons.testFlag(QMessageBox::Cancel))
        box.setDefaultButton(QMessageBox::Cancel);
    box.setWindowModality(Qt::WindowModal);
    return box.exec();
}

MonitorDatabase &ReviewWindow::database() const
{
    MonitorDatabase *db = MonitorDatabase::instance();
    if (!db)
        throw StorageError(tr("The database is not open").toStdString());
    return *db;
}

QList<const MonitorSession *> ReviewWindow::sessionList() const
{
    QList<const MonitorSession *> list;
    for (const auto &session : m_sessions)
        list.append(session.get());
    return list;
}

void ReviewWindow::buildHistoryPlots(int sessionCount)
{
    const SessionHistory &h = m_history;
    const QList<QPair<QPlotGraphic *, QPair<double, double>>> plots = {
        {ui->hrHistoryGraphic, {0.0, 200.0}},
        {ui->sbpHistoryGraphic, {50.0, 250.0}},
        {ui->weightHistoryGraphic, {0.0, 200.0}},
        {ui->bmiHistoryGraphic, {0.0, 50.0}},
        {ui->abdomenHistoryGraphic, {0.0, 200.0}}};
    m_historyValues.clear();
    m_historyValues.push_back(std::make_unique<THistoryPlotValues>(tr("HR"), &h.heartRate[0], &h.heartRate[1],
                                                                   &h.heartRate[2]));
    m_historyValues.push_back(
        std::make_unique<THistoryPlotValues>(tr("SBP"), &h.systolic[0], &h.systolic[1], &h.systolic[2]));
    m_historyValues.push_back(std::make_unique<THistoryPlotValues>(tr("Weight"), &h.weight));
    m_historyValues.push_back(std::make_unique<THistoryPlotValues>(tr("BMI"), &h.bmi));
    m_historyValues.push_back(std::make_unique<THistoryPlotValues>(tr("Abdomen"), &h.abdomen));
    for (int i = 0; i < plots.size(); ++i) {
        QPlotGraphic *plot = plots[i].first;
        plot->setStyle(QPlotGraphic::LinesAndMarkers);
        plot->setXRange(0.5, ReviewRules::historyXMaximum(sessionCount));
        plot->setYRange(plots[i].second.first, plots[i].second.second);
        plot->setXStep(1.0);
        plot->setValues(m_historyValues[size_t(i)].get());
    }
}

void ReviewWindow::fillSummary()
{
    collectHistory(sessionList(), m_history);
    for (QPlotGraphic *plot : {ui->hrHistoryGraphic, ui->sbpHistoryGraphic, ui->weightHistoryGraphic,
                               ui->bmiHistoryGraphic, ui->abdomenHistoryGraphic})
        plot->refresh();
}

void ReviewWindow::learnPickLists()
{
    PickList::learn(QLatin1String(ExerciseTypeListKey), ui->cboExerciseType->currentText());
    PickList::learn(QLatin1String(AdaptationListKey), ui->cboAdaptation->currentText());
}

void ReviewWindow::openReportDialog(bool summary)
{
    runShowingErrors([&] {
        // The dialog is modal to this window only and reads the sessions this
        // window keeps open.
        std::unique_ptr<ReportDialog> dialog =
            summary ? std::make_unique<ReportDialog>(this, m_patientId, sessionList())
                    : std::make_unique<ReportDialog>(this, m_current);
        dialog->exec();
    });
}

void ReviewWindow::closeEvent(QCloseEvent *event)
{
    if (!leaveCurrentSession()
        || !saveOrAskDiscard([this] { savePatientFields(); }, [this] { restorePatientFields(); })) {
        event->ignore();
        return;
    }
    event->accept();
}

void ReviewWindow::on_btnSpeed12_clicked()
{
    ui->ecgGraphic->setSpeed(12.5);
}

void ReviewWindow::on_btnSpeed25_clicked()
{
    ui->ecgGraphic->setSpeed(25.0);
}

void ReviewWindow::on_btnSpeed50_clicked()
{
    ui->ecgGraphic->setSpeed(50.0);
}

void ReviewWindow::on_btnAmp5_clicked()
{
    ui->ecgGraphic->setAmplitude(5.0);
}

void ReviewWindow::on_btnAmp10_clicked()
{
    ui->ecgGraphic->setAmplitude(10.0);
}

void ReviewWindow::on_btnAmp20_clicked()
{
    ui->ecgGraphic->setAmplitude(20.0);
}

void ReviewWindow::on_btnFilterNotch_clicked()
{
    runShowingErrors([this] { configureFilters(); });
}

void ReviewWindow::on_btnFilterLowpass_clicked()
{
    runShowingErrors([this] { configureFilters(); });
}

void ReviewWindow::on_btnFilterBaseline_clicked()
{
    runShowingErrors([this] { configureFilters(); });
}

void ReviewWindow::on_cboSession_currentIndexChanged(int index)
{
    if (index < 0)
        return;
    MonitorSession *next = m_sessionsByNumber.value(ui->cboSession->itemData(index).toInt());
    if (!next || next == m_current)
        return;
    if (!leaveCurrentSession()) {
        // The user stays with the session and its edits.
        const QSignalBlocker blocker(ui->cboSession);
        ui->cboSession->setCurrentIndex(ui->cboSession->findData(m_current->sessionNumber));
        return;
    }
    runShowingErrors([&] { showSession(next); });
}

void ReviewWindow::on_btnPrev_clicked()
{
    if (ui->cboSession->currentIndex() > 0)
        ui->cboSession->setCurrentIndex(ui->cboSession->currentIndex() - 1);
}

void ReviewWindow::on_btnNext_clicked()
{
    if (ui->cboSession->currentIndex() < ui->cboSession->count() - 1)
        ui->cboSession->setCurrentIndex(ui->cboSession->currentIndex() + 1);
}

void ReviewWindow::on_btnPatientEdit_clicked()
{
    runShowingErrors([this] {
        PatientDialog dialog(this, m_patientId);
        dialog.setWindowModality(Qt::WindowModal);
        if (dialog.exec() != QDialog::Accepted)
            return;
        const PatientRecord record = dialog.record();
        // A patient the dialog could not load comes back without its id.
        if (record.id != m_patientId)
            return;
        MonitorDatabase &db = database();
        db.updatePatient(record);
        storePatientPicture(db, m_patientId, dialog.picture());
        setWindowTitle(QStringLiteral("%1, %2").arg(record.lastName, record.firstName));
    });
}

void ReviewWindow::on_tableCheckpoints_cellChanged(int row, int column)
{
    QTableWidgetItem *item = ui->tableCheckpoints->item(row, column);
    if (!item)
        return;
    // Rewriting a cell with the text it already has raises no further change.
    item->setText(column == 0 ? QString::number(ReviewRules::heartRateCell(item->text()))
                              : ReviewRules::pressureCell(item->text()));
    m_checkpointsModified = true;
}

void ReviewWindow::on_txtWeight_textEdited(const QString &)
{
    validateMeasurements();
    updateBmi();
}

void ReviewWindow::on_txtHeight_textEdited(const QString &)
{
    validateMeasurements();
    updateBmi();
}

void ReviewWindow::on_txtAbdomen_textEdited(const QString &)
{
    validateMeasurements();
}

void ReviewWindow::on_btnSessions_clicked()
{
    ui->pages->setCurrentIndex(0);
}

void ReviewWindow::on_btnSummary_clicked()
{
    if (!leaveCurrentSession()) {
        ui->btnSessions->setChecked(true);
        return;
    }
    ui->pages->setCurrentIndex(1);
    fillSummary();
}

void ReviewWindow::on_btnReport_clicked()
{
    if (ui->pages->currentIndex() != 0) {
        if (m_sessions.empty()
            || !saveOrAskDiscard([this] { savePatientFields(); }, [this] { restorePatientFields(); }))
            return;
        openReportDialog(true);
        return;
    }
    if (!m_current || !leaveCurrentSession())
        return;
    openReportDialog(false);
}

void ReviewWindow::on_btnAddEvent_clicked()
{
    if (!m_current || isReadOnly())
        return;
    QTreeWidgetItem *item = makeEventItem(int(ui->ecgGraphic->position()), QString(), false);
    ui->treeEvents->addTopLevelItem(item);
    ui->treeEvents->setCurrentItem(item);
    ui->treeEvents->editItem(item, ColumnDescription);
    m_eventsModified = true;
}

void ReviewWindow::on_btnRemoveEvent_clicked()
{
    if (QTreeWidgetItem *item = ui->treeEvents->currentItem()) {
        delete item;
        m_eventsModified = true;
    }
}

void ReviewWindow::on_treeEvents_itemDoubleClicked(QTreeWidgetItem *item, int column)
{
    if (isReadOnly())
        return;
    const QSignalBlocker blocker(ui->treeEvents);
    item->setFlags(column == ColumnDescription ? EventEditable : EventNotEditable);
}

void ReviewWindow::on_treeEvents_itemChanged(QTreeWidgetItem *, int)
{
    m_eventsModified = true;
}

void ReviewWindow::on_treeEvents_currentItemChanged(QTreeWidgetItem *current, QTreeWidgetItem *)
{
    // Choosing an event shows its ECG.
    if (current && ui->treeEvents->currentIndex().isValid())
        ui->ecgGraphic->setPosition(current->data(ColumnOffset, Qt::DisplayRole).toInt());
}
