#include "review/reviewsessionspage.h"
#include "ui_reviewsessionspage.h"

#include "dsp/tstoredfilterchain.h"
#include "patients/picklist.h"
#include "review/reviewectopy.h"
#include "review/reviewst.h"
#include "review/reviewrhythm.h"
#include "review/reviewalarms.h"
#include "review/reviewprompts.h"
#include "review/reviewrules.h"
#include "storage/monitordatabase.h"
#include "storage/monitorsession.h"
#include "storage/openrecords.h"
#include "storage/patientcourse.h"
#include "storage/recordrules.h"

#include <QApplication>
#include <QCompleter>
#include <QHeaderView>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QStringListModel>

namespace {

const char ExerciseTypeListKey[] = "ExerciseTypeList";

enum EventColumn { ColumnOffset = 0, ColumnTime = 1, ColumnDescription = 2, ColumnPrint = 3 };

// Events are edited only in their description; a double click on another
// column must not open an editor there.
const Qt::ItemFlags EventEditable = Qt::ItemIsSelectable | Qt::ItemIsEditable | Qt::ItemIsUserCheckable | Qt::ItemIsEnabled;
const Qt::ItemFlags EventNotEditable = Qt::ItemIsSelectable | Qt::ItemIsUserCheckable | Qt::ItemIsEnabled;
const Qt::ItemFlags EventReadOnly = Qt::ItemIsSelectable | Qt::ItemIsEnabled;

} // namespace

ReviewSessionsPage::ReviewSessionsPage(MonitorDatabase &database, const OpenRecords &openRecords, QWidget *parent)
    : QWidget(parent), ui(new Ui::ReviewSessionsPage), m_database(database), m_openRecords(openRecords)
{
    ui->setupUi(this);
    setUpWidgets();
    updateStepButtons();
}

ReviewSessionsPage::~ReviewSessionsPage()
{
    // The display must not keep reading the chain that goes first.
    ui->ecgGraphic->setSignal(nullptr);
    m_chain.reset();
}

void ReviewSessionsPage::setUpWidgets()
{
    ui->spo2Graphic->hide();
    ui->tempGraphic->hide();
    ui->lblSessionHeld->hide();

    ui->cboExerciseType->setModel(
        new QStringListModel(PickList::entries(QLatin1String(ExerciseTypeListKey)), ui->cboExerciseType));
    if (ui->cboExerciseType->completer())
        ui->cboExerciseType->completer()->setCaseSensitivity(Qt::CaseSensitive);
    ui->cboExerciseType->setCurrentIndex(-1);
    ui->cboExerciseType->clearEditText();

    const QList<QPair<QPlotGraphic *, QPair<double, double>>> trends = {
        {ui->hrGraphic, {50.0, 200.0}}, {ui->spo2Graphic, {80.0, 100.0}}, {ui->tempGraphic, {35.0, 40.0}}};
    for (const auto &trend : trends) {
        trend.first->setStyle(QPlotGraphic::Lines);
        trend.first->setTimeFormat(QStringLiteral("mm:ss"));
        trend.first->setYRange(trend.second.first, trend.second.second);
    }

    connect(ui->ecgControls, &QEcgViewControls::speedChanged, ui->ecgGraphic, &QSignalBrowseDisplay::setSpeed);
    connect(ui->ecgControls, &QEcgViewControls::amplitudeChanged, ui->ecgGraphic,
            &QSignalBrowseDisplay::setAmplitude);
    connect(ui->ecgControls, &QEcgViewControls::filtersChanged, this,
            [this] { ReviewPrompts::runShowingErrors(this, [this] { configureFilters(); }); });

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
    // The session's ventricular ectopy beside the events, its trend under the
    // heart-rate trend on the same time axis.
    // The ectopy, the ST segment and the rhythm share one column, so that the
    // alarm list keeps room for its texts on a small screen.
    m_ectopy = new ReviewEctopy(this);
    auto *analysisColumn = new QVBoxLayout;
    analysisColumn->setContentsMargins(0, 0, 0, 0);
    analysisColumn->addWidget(m_ectopy);
    ui->layoutLower->insertLayout(1, analysisColumn);
    ui->layoutTrends->insertWidget(1, m_ectopy->trendPlot(), 1);
    connect(m_ectopy, &ReviewEctopy::positionChosen, ui->ecgGraphic, &QSignalBrowseDisplay::setPosition);
    connect(m_ectopy, &ReviewEctopy::ventricularBeatsChanged, ui->ecgGraphic, &QSignalBrowseDisplay::setBeatMarks);
    connect(ui->ecgGraphic, &QSignalBrowseDisplay::startTimeChanged, m_ectopy,
            [this] { m_ectopy->setPosition(ui->ecgGraphic->position()); });
    // The session's ST segment under the ectopy, its trend under the PVC trend.
    m_st = new ReviewSt(this);
    analysisColumn->addWidget(m_st);
    ui->layoutTrends->insertWidget(2, m_st->trendPlot(), 1);
    connect(m_st, &ReviewSt::positionChosen, ui->ecgGraphic, &QSignalBrowseDisplay::setPosition);
    connect(ui->ecgGraphic, &QSignalBrowseDisplay::startTimeChanged, m_st,
            [this] { m_st->setPosition(ui->ecgGraphic->position()); });
    // The session's rhythm under the ectopy, its AF stretches under the
    // heart-rate trend on the same time axis.
    m_rhythm = new ReviewRhythm(this);
    analysisColumn->addWidget(m_rhythm);
    ui->layoutTrends->insertWidget(1, m_rhythm->trendPlot());
    connect(m_rhythm, &ReviewRhythm::positionChosen, ui->ecgGraphic, &QSignalBrowseDisplay::setPosition);
    connect(ui->ecgGraphic, &QSignalBrowseDisplay::startTimeChanged, m_rhythm,
            [this] { m_rhythm->setPosition(ui->ecgGraphic->position()); });

    QHeaderView *eventHeader = ui->treeEvents->header();
    eventHeader->setMinimumSectionSize(16);
    eventHeader->setStretchLastSection(false);
    eventHeader->setSectionResizeMode(ColumnDescription, QHeaderView::Stretch);
    ui->treeEvents->setColumnHidden(ColumnOffset, true);
    // Wide enough for a time with seconds and for the translated header.
    const QFontMetrics metrics = ui->treeEvents->fontMetrics();
    ui->treeEvents->setColumnWidth(ColumnTime, qMax(50, metrics.horizontalAdvance(QStringLiteral("00:00:00")) + 14));
    ui->treeEvents->setColumnWidth(ColumnDescription, 100);
    const QString printHeader = ui->treeEvents->headerItem()->text(ColumnPrint);
    ui->treeEvents->setColumnWidth(ColumnPrint, qMax(30, eventHeader->fontMetrics().horizontalAdvance(printHeader) + 14));
    ui->treeEvents->headerItem()->setToolTip(ColumnPrint, tr("Print the ECG of this event in the session report"));
    // The session's alarms beside its events; choosing one shows its ECG as choosing an event does.
    m_alarms = new ReviewAlarms(this);
    // Its texts come before the trends' width: they are read, the trends glanced at.
    ui->layoutLower->insertWidget(1, m_alarms, 3);
    connect(m_alarms, &ReviewAlarms::onsetChosen, ui->ecgGraphic, &QSignalBrowseDisplay::setPosition);

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

void ReviewSessionsPage::setCourse(PatientCourse &course)
{
    m_course = &course;
    const QList<MonitorSession *> sessions = course.sessions();
    {
        const QSignalBlocker blocker(ui->cboSession);
        for (const MonitorSession *session : sessions) {
            if (m_openRecords.isSessionHeld(session->patientId, session->sessionNumber))
                m_heldSessions.append(session->sessionNumber);
            const QString absent = session->presence ? QString() : tr("(absent)");
            ui->cboSession->addItem(QStringLiteral("#%1 - %2 %3")
                                        .arg(session->sessionNumber)
                                        .arg(session->startDateTime.toString(QStringLiteral("dd/MM/yyyy")), absent),
                                    session->sessionNumber);
        }
    }
    if (sessions.isEmpty()) {
        updateStepButtons();
        return;
    }
    // Session 1 when it could be read, else the first one listed.
    MonitorSession *first = course.session(1) ? course.session(1) : sessions.first();
    {
        const QSignalBlocker blocker(ui->cboSession);
        ui->cboSession->setCurrentIndex(ui->cboSession->findData(first->sessionNumber));
    }
    ReviewPrompts::runShowingErrors(this, [&] { showSession(first); });
}

void ReviewSessionsPage::showSession(MonitorSession *session)
{
    ui->ecgGraphic->setSignal(nullptr);
    ui->ecgGraphic->setMissing({});
    m_chain.reset();
    m_current = session;
    updateStepButtons();
    fillSessionFields();
    m_alarms->setSession(session);

    const bool readOnly = isReadOnly();
    const QList<QWidget *> fields = {ui->cboExerciseType, ui->txtWeight,     ui->txtHeight,   ui->txtAbdomen,
                                     ui->numBorgRPE,      ui->tableCheckpoints, ui->txtSymptoms, ui->txtConclusion,
                                     ui->btnAddEvent,     ui->btnRemoveEvent};
    for (QWidget *field : fields)
        field->setEnabled(!readOnly);
    ui->lblSessionHeld->setVisible(readOnly);

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
    m_rhythm->showSession(session->rhythmAnalysed, session->rhythmEpisodes, session->hrTrend, session->startDateTime);
    m_ectopy->showRecording(session->recording() && session->recording()->sampleCount() > 0
                                ? session->recording()->path() : QString(),
                            session->startDateTime, session->pvcTrend);
    m_st->showRecording(session->recording() && session->recording()->sampleCount() > 0
                            ? session->recording()->path() : QString(),
                        session->startDateTime, session->stTrend.liveSettings());
}

void ReviewSessionsPage::fillSessionFields()
{
    const MonitorSession &s = *m_current;
    ui->cboExerciseType->setCurrentText(s.exerciseType);
    ui->txtWeight->setText(RecordRules::measureText(s.weight));
    ui->txtHeight->setText(RecordRules::measureText(s.height));
    ui->txtAbdomen->setText(RecordRules::measureText(s.abdomen));
    ui->numBorgRPE->setValue(s.borgRPE);
    ui->txtSymptoms->setPlainText(s.symptoms);
    ui->txtConclusion->setPlainText(s.conclusion);
    ui->txtBMI->setText(RecordRules::bmiText(ui->txtWeight->text(), ui->txtHeight->text()));
    {
        const QSignalBlocker blocker(ui->tableCheckpoints);
        for (int phase = PhaseBasal; phase <= PhasePostExercise; ++phase) {
            const Checkpoint c = s.checkpoint(phase);
            ui->tableCheckpoints->item(phase - 1, 0)->setText(QString::number(c.heartRate));
            ui->tableCheckpoints->item(phase - 1, 1)->setText(QStringLiteral("%1/%2").arg(c.sysBP).arg(c.diaBP));
        }
    }
    ui->treeEvents->clear();
    QList<QTreeWidgetItem *> items;
    for (const SessionEvent &event : qAsConst(s.events))
        items.append(makeEventItem(event.timeOffset, event.description, event.print));
    ui->treeEvents->insertTopLevelItems(0, items);
    m_eventsModified = false;
    rememberShownTexts();
    validateMeasurements();
}

void ReviewSessionsPage::rememberShownTexts()
{
    m_shown.exerciseType = ui->cboExerciseType->currentText();
    m_shown.weight = ui->txtWeight->text();
    m_shown.height = ui->txtHeight->text();
    m_shown.abdomen = ui->txtAbdomen->text();
    m_shown.symptoms = ui->txtSymptoms->toPlainText();
    m_shown.conclusion = ui->txtConclusion->toPlainText();
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 2; ++column)
            m_shown.cells[row][column] = m_acceptedCells[row][column] = cellText(row, column);
    }
}

QString ReviewSessionsPage::cellText(int row, int column) const
{
    return ui->tableCheckpoints->item(row, column)->text();
}

QTreeWidgetItem *ReviewSessionsPage::makeEventItem(int offset, const QString &description, bool print) const
{
    auto *item = new QTreeWidgetItem;
    item->setData(ColumnOffset, Qt::DisplayRole, offset);
    item->setText(ColumnTime, RecordRules::eventTime(m_current->startDateTime, offset, true));
    item->setText(ColumnDescription, description);
    item->setFlags(isReadOnly() ? EventReadOnly : EventEditable);
    item->setCheckState(ColumnPrint, print ? Qt::Checked : Qt::Unchecked);
    return item;
}

void ReviewSessionsPage::attachRecording()
{
    if (!m_current || !m_current->recording())
        return;
    m_chain = std::make_unique<TStoredFilterChain>(m_current->recording());
    ui->ecgGraphic->setMissing(m_current->recording()->gapSpans());
    m_chain->setNotchKind(QStringLiteral("50hz"));
    m_chain->setLowpassKind(QStringLiteral("25hz"));
    configureFilters();
}

void ReviewSessionsPage::configureFilters()
{
    if (!m_chain)
        return;
    try {
        m_chain->configure(ui->ecgControls->notch(), ui->ecgControls->lowpass(), ui->ecgControls->baseline());
    } catch (...) {
        // The stages built before the failure stay usable.
        ui->ecgGraphic->setSignal(m_chain->head());
        throw;
    }
    ui->ecgGraphic->setSignal(m_chain->head());
}

void ReviewSessionsPage::updateStepButtons()
{
    const int index = ui->cboSession->currentIndex();
    ui->btnPrev->setEnabled(index > 0);
    ui->btnNext->setEnabled(index >= 0 && index < ui->cboSession->count() - 1);
}

bool ReviewSessionsPage::isReadOnly() const
{
    return m_current
           && (m_heldSessions.contains(m_current->sessionNumber)
               || m_openRecords.isSessionHeld(m_current->patientId, m_current->sessionNumber));
}

bool ReviewSessionsPage::isModified() const
{
    if (!m_current)
        return false;
    bool cellsModified = false;
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 2; ++column)
            cellsModified = cellsModified || cellText(row, column) != m_shown.cells[row][column];
    }
    return cellsModified || m_eventsModified || ui->cboExerciseType->currentText() != m_shown.exerciseType
           || ui->txtWeight->text() != m_shown.weight || ui->txtHeight->text() != m_shown.height
           || ui->txtAbdomen->text() != m_shown.abdomen || ui->numBorgRPE->value() != shownBorg()
           || ui->txtSymptoms->toPlainText() != m_shown.symptoms
           || ui->txtConclusion->toPlainText() != m_shown.conclusion;
}

int ReviewSessionsPage::shownBorg() const
{
    return qBound(ui->numBorgRPE->minimum(), m_current->borgRPE, ui->numBorgRPE->maximum());
}

bool ReviewSessionsPage::validateMeasurements()
{
    bool valid = true;
    for (QLineEdit *field : {ui->txtWeight, ui->txtHeight, ui->txtAbdomen}) {
        const bool fieldValid = RecordRules::isValidMeasure(field->text());
        const QString style = fieldValid ? QString() : QStringLiteral("background-color: lightyellow");
        if (field->styleSheet() != style)
            field->setStyleSheet(style);
        valid = valid && fieldValid;
    }
    return valid;
}

bool ReviewSessionsPage::leaveCurrentSession()
{
    if (!m_current || isReadOnly())
        return true;
    // A description still being typed belongs to the edits: moving the focus
    // away from its editor commits it.
    QWidget *focus = QApplication::focusWidget();
    if (focus && focus != ui->treeEvents && ui->treeEvents->isAncestorOf(focus))
        ui->treeEvents->setFocus();
    if (!isModified())
        return true;
    if (!validateMeasurements()) {
        const int answer = ReviewPrompts::show(
            this, QMessageBox::Question, tr("Confirm"),
            tr("The measurements of this session are not valid. Discard your changes?"),
            QMessageBox::Discard | QMessageBox::Cancel);
        if (answer != QMessageBox::Discard)
            return false;
        fillSessionFields();
        return true;
    }
    return ReviewPrompts::saveOrAskDiscard(this, [this] { saveCurrentSession(); }, [this] { fillSessionFields(); });
}

void ReviewSessionsPage::saveCurrentSession()
{
    MonitorSession &s = *m_current;
    // What is stored now; put back when the write fails, so that the session
    // never holds more than its study file.
    const SessionData storedData = s;
    const QVector<SessionEvent> storedEvents = s.events;
    Checkpoint storedCheckpoints[3];
    for (int phase = PhaseBasal; phase <= PhasePostExercise; ++phase)
        storedCheckpoints[phase - 1] = s.checkpoint(phase);

    // Only what the user changed: a field merely shown keeps its stored value
    // exactly, even where the widget cannot show it as stored (line breaks,
    // non-breaking spaces, more digits than shown, a Borg rating off the scale).
    const auto changed = [](const QString &now, const QString &shown) { return now != shown; };
    if (changed(ui->cboExerciseType->currentText(), m_shown.exerciseType))
        s.exerciseType = ui->cboExerciseType->currentText();
    if (changed(ui->txtWeight->text(), m_shown.weight))
        s.weight = RecordRules::measureValue(ui->txtWeight->text());
    if (changed(ui->txtHeight->text(), m_shown.height))
        s.height = RecordRules::measureValue(ui->txtHeight->text());
    if (changed(ui->txtAbdomen->text(), m_shown.abdomen))
        s.abdomen = RecordRules::measureValue(ui->txtAbdomen->text());
    if (ui->numBorgRPE->value() != shownBorg())
        s.borgRPE = ui->numBorgRPE->value();
    if (changed(ui->txtSymptoms->toPlainText(), m_shown.symptoms))
        s.symptoms = ui->txtSymptoms->toPlainText();
    if (changed(ui->txtConclusion->toPlainText(), m_shown.conclusion))
        s.conclusion = ui->txtConclusion->toPlainText();
    for (int phase = PhaseBasal; phase <= PhasePostExercise; ++phase) {
        const int row = phase - 1;
        Checkpoint c = s.checkpoint(phase);
        if (changed(cellText(row, 0), m_shown.cells[row][0]))
            ReviewRules::readHeartRate(cellText(row, 0), c.heartRate);
        if (changed(cellText(row, 1), m_shown.cells[row][1]))
            ReviewRules::readPressure(cellText(row, 1), c.sysBP, c.diaBP);
        s.setCheckpoint(phase, c);
    }
    if (m_eventsModified) {
        s.events.clear();
        for (int i = 0; i < ui->treeEvents->topLevelItemCount(); ++i) {
            const QTreeWidgetItem *item = ui->treeEvents->topLevelItem(i);
            s.events.append({item->data(ColumnOffset, Qt::DisplayRole).toInt(), item->text(ColumnDescription),
                             item->checkState(ColumnPrint) == Qt::Checked});
        }
    }

    try {
        m_database.updateSession(s);
    } catch (...) {
        static_cast<SessionData &>(s) = storedData;
        s.events = storedEvents;
        for (int phase = PhaseBasal; phase <= PhasePostExercise; ++phase)
            s.setCheckpoint(phase, storedCheckpoints[phase - 1]);
        throw;
    }
    rememberShownTexts();
    m_eventsModified = false;
}

void ReviewSessionsPage::learnPickList()
{
    PickList::learn(QLatin1String(ExerciseTypeListKey), ui->cboExerciseType->currentText());
}

void ReviewSessionsPage::on_cboSession_currentIndexChanged(int index)
{
    MonitorSession *next = m_course ? m_course->session(ui->cboSession->itemData(index).toInt()) : nullptr;
    if (!next || next == m_current)
        return;
    // The combo shows the session on screen until the user has answered any
    // question about its edits.
    if (m_current) {
        const QSignalBlocker blocker(ui->cboSession);
        ui->cboSession->setCurrentIndex(ui->cboSession->findData(m_current->sessionNumber));
    }
    if (!leaveCurrentSession())
        return;
    {
        const QSignalBlocker blocker(ui->cboSession);
        ui->cboSession->setCurrentIndex(index);
    }
    ReviewPrompts::runShowingErrors(this, [&] { showSession(next); });
}

void ReviewSessionsPage::on_btnPrev_clicked()
{
    if (ui->cboSession->currentIndex() > 0)
        ui->cboSession->setCurrentIndex(ui->cboSession->currentIndex() - 1);
}

void ReviewSessionsPage::on_btnNext_clicked()
{
    if (ui->cboSession->currentIndex() < ui->cboSession->count() - 1)
        ui->cboSession->setCurrentIndex(ui->cboSession->currentIndex() + 1);
}

void ReviewSessionsPage::on_tableCheckpoints_cellChanged(int row, int column)
{
    QTableWidgetItem *item = ui->tableCheckpoints->item(row, column);
    if (!item)
        return;
    const QString typed = item->text();
    int heartRate = 0, systolic = 0, diastolic = 0;
    const bool read = column == 0 ? ReviewRules::readHeartRate(typed, heartRate)
                                  : ReviewRules::readPressure(typed, systolic, diastolic);
    if (read)
        m_acceptedCells[row][column] = column == 0 ? QString::number(heartRate)
                                                   : QStringLiteral("%1/%2").arg(systolic).arg(diastolic);
    {
        // A refused entry never becomes 0: the cell keeps what it held.
        const QSignalBlocker blocker(ui->tableCheckpoints);
        item->setText(m_acceptedCells[row][column]);
    }
    if (read)
        return;
    const QString message =
        column == 0 ? tr("\"%1\" is not a heart rate. Type the beats per minute as a whole number.").arg(typed)
                    : tr("\"%1\" is not a blood pressure. Type it as systolic/diastolic, for example 120/80.").arg(typed);
    // Told once the table has finished with the edit.
    QMetaObject::invokeMethod(
        this, [this, message] { ReviewPrompts::show(this, QMessageBox::Warning, tr("Warning"), message); },
        Qt::QueuedConnection);
}

void ReviewSessionsPage::on_txtWeight_textEdited(const QString &)
{
    validateMeasurements();
    ui->txtBMI->setText(RecordRules::bmiText(ui->txtWeight->text(), ui->txtHeight->text()));
}

void ReviewSessionsPage::on_txtHeight_textEdited(const QString &)
{
    validateMeasurements();
    ui->txtBMI->setText(RecordRules::bmiText(ui->txtWeight->text(), ui->txtHeight->text()));
}

void ReviewSessionsPage::on_txtAbdomen_textEdited(const QString &)
{
    validateMeasurements();
}

void ReviewSessionsPage::on_btnAddEvent_clicked()
{
    if (!m_current || isReadOnly())
        return;
    QTreeWidgetItem *item = makeEventItem(int(ui->ecgGraphic->position()), QString(), false);
    ui->treeEvents->addTopLevelItem(item);
    ui->treeEvents->setCurrentItem(item);
    ui->treeEvents->editItem(item, ColumnDescription);
    m_eventsModified = true;
}

void ReviewSessionsPage::on_btnRemoveEvent_clicked()
{
    if (QTreeWidgetItem *item = ui->treeEvents->currentItem()) {
        delete item;
        m_eventsModified = true;
    }
}

void ReviewSessionsPage::on_treeEvents_itemDoubleClicked(QTreeWidgetItem *item, int column)
{
    if (isReadOnly())
        return;
    const QSignalBlocker blocker(ui->treeEvents);
    item->setFlags(column == ColumnDescription ? EventEditable : EventNotEditable);
}

void ReviewSessionsPage::on_treeEvents_itemChanged(QTreeWidgetItem *, int)
{
    m_eventsModified = true;
}

void ReviewSessionsPage::on_treeEvents_currentItemChanged(QTreeWidgetItem *current, QTreeWidgetItem *)
{
    // Choosing an event shows its ECG.
    if (current && ui->treeEvents->currentIndex().isValid())
        ui->ecgGraphic->setPosition(current->data(ColumnOffset, Qt::DisplayRole).toInt());
}
