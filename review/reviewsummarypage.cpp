#include "review/reviewsummarypage.h"
#include "ui_reviewsummarypage.h"

#include "display/historyplots.h"
#include "display/qplotgraphic.h"
#include "patients/picklist.h"
#include "reports/sessionreportrhythm.h"
#include "storage/monitordatabase.h"
#include "storage/monitorsession.h"
#include "storage/patientcourse.h"
#include "storage/storageerror.h"

#include <QCompleter>
#include <QCoreApplication>
#include <QStringListModel>

#include <algorithm>
#include <cmath>

namespace {

const char AdaptationListKey[] = "AdaptationList";

// The largest ST change per session: one point per analysed session.
class StHistoryValues : public IPlotValues
{
public:
    explicit StHistoryValues(QVector<QPointF> points) : m_points(std::move(points)) {}
    int seriesCount() override { return 1; }
    int pointCount(int series) override { return series == 0 ? m_points.size() : 0; }
    double x(int, int point) override { return m_points[point].x(); }
    double y(int, int point) override { return m_points[point].y(); }
    QColor color(int) override { return QColor(0, 110, 200); }
    QString name(int) override
    {
        return QCoreApplication::translate("ReviewSummaryPage", "Largest ST change (mm)");
    }

private:
    QVector<QPointF> m_points;
};

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

    showStHistory(course);

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

void ReviewSummaryPage::showStHistory(const PatientCourse &course)
{
    QVector<QPointF> points;
    double largest = 2.0;
    for (const MonitorSession *session : course.readSessions()) {
        double change = 0.0;
        if (session->stTrend.largestChange(change)) {
            points.append(QPointF(session->sessionNumber, change / 100.0));
            largest = std::max(largest, std::ceil(std::abs(change) / 100.0));
        }
    }
    std::sort(points.begin(), points.end(), [](const QPointF &a, const QPointF &b) { return a.x() < b.x(); });
    if (!m_stPlot) {
        m_stPlot = new QPlotGraphic(this);
        m_stPlot->setObjectName(QStringLiteral("stHistoryGraphic"));
        m_stPlot->setMinimumSize(100, 80);
        m_stPlot->setStyle(QPlotGraphic::LinesAndMarkers);
        ui->layoutHistory->addWidget(m_stPlot, 1);
    }
    m_stPlot->setValues(nullptr);
    m_stValues = std::make_unique<StHistoryValues>(points);
    m_stPlot->setXRange(HistoryPlots::XMinimum, HistoryPlots::xMaximum(course.listedCount()));
    m_stPlot->setYRange(-largest, largest);
    m_stPlot->setXStep(HistoryPlots::XStep);
    m_stPlot->setValues(m_stValues.get());
}
