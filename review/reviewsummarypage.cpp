#include "review/reviewsummarypage.h"
#include "ui_reviewsummarypage.h"

#include "display/historyplots.h"
#include "patients/picklist.h"
#include "reports/sessionreportrhythm.h"
#include "storage/monitordatabase.h"
#include "storage/monitorsession.h"
#include "storage/patientcourse.h"
#include "storage/storageerror.h"

#include <QCompleter>
#include <QStringListModel>

namespace {

const char AdaptationListKey[] = "AdaptationList";

} // namespace

ReviewSummaryPage::ReviewSummaryPage(MonitorDatabase &database, const PatientRecord &patient, QWidget *parent)
    : QWidget(parent)
    , ui(new Ui::ReviewSummaryPage)
    , m_database(database)
    , m_patientId(patient.id)
    , m_storedAdaptation(patient.adaptation)
    , m_storedConclusion(patient.conclusion)
{
    ui->setupUi(this);
    ui->lblUnreadable->hide();
    ui->cboAdaptation->setModel(
        new QStringListModel(PickList::entries(QLatin1String(AdaptationListKey)), ui->cboAdaptation));
    if (ui->cboAdaptation->completer())
        ui->cboAdaptation->completer()->setCaseSensitivity(Qt::CaseSensitive);
    ui->cboAdaptation->setCurrentIndex(-1);
    restorePatientFields();
}

ReviewSummaryPage::~ReviewSummaryPage()
{
    // The plots must not read the adaptors that go first.
    for (QPlotGraphic *plot : findChildren<QPlotGraphic *>())
        plot->setValues(nullptr);
}

void ReviewSummaryPage::setCourse(const PatientCourse &course)
{
    m_course = &course;
    const QList<QPlotGraphic *> plots = {ui->hrHistoryGraphic, ui->sbpHistoryGraphic, ui->weightHistoryGraphic,
                                         ui->bmiHistoryGraphic, ui->abdomenHistoryGraphic};
    const auto series = m_history.plotSeries();
    m_historyValues.clear();
    // The plots of what the records hold; the ectopy per hour, worked out
    // from every recording, is the summary report's alone.
    for (int i = 0; i < plots.size(); ++i) {
        const HistoryPlots::Plot &settings = HistoryPlots::plots()[size_t(i)];
        m_historyValues.push_back(std::make_unique<THistoryPlotValues>(settings, series[size_t(i)]));
        QPlotGraphic *plot = plots[i];
        plot->setStyle(QPlotGraphic::LinesAndMarkers);
        // Sessions that could not be read keep their place on the axis.
        plot->setXRange(HistoryPlots::XMinimum, HistoryPlots::xMaximum(course.listedCount()));
        plot->setYRange(settings.yMinimum, settings.yMaximum);
        plot->setXStep(HistoryPlots::XStep);
        plot->setValues(m_historyValues.back().get());
    }

    const int listed = course.listedCount();
    if (listed > 0)
        ui->txtAssistance->setText(listed == 1 ? tr("%1 % (%2 of 1 session)")
                                                     .arg(course.attendancePercent())
                                                     .arg(course.presentCount())
                                               : tr("%1 % (%2 of %n sessions)", nullptr, listed)
                                                     .arg(course.attendancePercent())
                                                     .arg(course.presentCount()));
    const QList<SessionInfo> unreadable = course.unreadable();
    QStringList names;
    for (const SessionInfo &row : unreadable)
        names << tr("#%1 of %2").arg(row.sessionNumber).arg(row.startDateTime.toString(QStringLiteral("dd/MM/yyyy")));
    ui->lblUnreadable->setText(
        unreadable.size() == 1
            ? tr("Session %1 could not be read: it is left out of the history and counted in the attendance.")
                  .arg(names.join(QString()))
            : tr("%n sessions could not be read: %1. They are left out of the history and counted in the "
                 "attendance.", nullptr, unreadable.size())
                  .arg(names.join(QStringLiteral(", "))));
    ui->lblUnreadable->setVisible(!unreadable.isEmpty());

    // The AF burden of every session read, in session order.
    QStringList burdens;
    for (const MonitorSession *session : course.readSessions())
        burdens << tr("#%1: %2").arg(session->sessionNumber)
                       .arg(reportvalues::afBurdenText(session->rhythmAnalysed, session->rhythmEpisodes));
    ui->lblAfBurden->setText(tr("AF burden per session: %1").arg(burdens.isEmpty() ? QStringLiteral("---")
                                                                                   : burdens.join(QStringLiteral(", "))));
}

void ReviewSummaryPage::refresh()
{
    collectHistory(m_course ? m_course->readSessions() : QList<const MonitorSession *>(), m_history);
    for (QPlotGraphic *plot : {ui->hrHistoryGraphic, ui->sbpHistoryGraphic, ui->weightHistoryGraphic,
                               ui->bmiHistoryGraphic, ui->abdomenHistoryGraphic})
        plot->refresh();
}

void ReviewSummaryPage::savePatientFields()
{
    const QString adaptation = ui->cboAdaptation->currentText();
    const QString conclusion = ui->txtSummaryConclusion->toPlainText();
    const bool adaptationChanged = adaptation != m_shownAdaptation;
    const bool conclusionChanged = conclusion != m_shownConclusion;
    if (!adaptationChanged && !conclusionChanged)
        return;
    PatientRecord patient;
    if (!m_database.loadPatient(m_patientId, patient))
        throw StorageError(tr("Cannot get patient data").toStdString());
    if (adaptationChanged)
        patient.adaptation = adaptation;
    if (conclusionChanged)
        patient.conclusion = conclusion;
    m_database.updatePatient(patient);
    m_storedAdaptation = patient.adaptation;
    m_storedConclusion = patient.conclusion;
    m_shownAdaptation = adaptation;
    m_shownConclusion = conclusion;
}

void ReviewSummaryPage::restorePatientFields()
{
    ui->cboAdaptation->setCurrentText(m_storedAdaptation);
    ui->txtSummaryConclusion->setPlainText(m_storedConclusion);
    m_shownAdaptation = ui->cboAdaptation->currentText();
    m_shownConclusion = ui->txtSummaryConclusion->toPlainText();
}

void ReviewSummaryPage::learnPickList()
{
    PickList::learn(QLatin1String(AdaptationListKey), ui->cboAdaptation->currentText());
}
