#include "reports/reportproducer.h"

#include "dsp/tstoredfilterchain.h"
#include "reports/reporterror.h"
#include "reports/signalgraphic.h"
#include "storage/storageerror.h"
#include "storage/tfilesignal.h"

#include <QPainter>

#include <memory>

namespace {

// Finest image resolution worth embedding, in dots per millimetre (300 dpi).
constexpr double ImageDotsPerMm = 300.0 / 25.4;

} // namespace

void drawImageCentred(QPainter &painter, const QRect &bounds, const QImage &image, QImage *prepared)
{
    if (image.isNull() || bounds.width() <= 0 || bounds.height() <= 0)
        return;
    const QSize size = image.size().scaled(bounds.width(), bounds.height(), Qt::KeepAspectRatio);
    if (size.isEmpty())
        return;
    const QRect target((bounds.left() + bounds.right()) / 2 - size.width() / 2,
                       (bounds.top() + bounds.bottom()) / 2 - size.height() / 2, size.width(), size.height());
    if (prepared && !prepared->isNull()) {
        painter.drawImage(target, *prepared);
        return;
    }
    const double pxPerMm = devicePixelsPerMmX(painter.device());
    const QSize finest(qMax(1, int(size.width() / pxPerMm * ImageDotsPerMm)),
                       qMax(1, int(size.height() / pxPerMm * ImageDotsPerMm)));
    const QImage drawn =
        image.width() > finest.width() * 2 ? image.scaled(finest, Qt::KeepAspectRatio, Qt::SmoothTransformation) : image;
    if (prepared)
        *prepared = drawn;
    painter.drawImage(target, drawn);
}

ReportProducer::ReportProducer(const QString &templatePath)
{
    if (!m_engine.loadTemplate(templatePath))
        throw ReportError(tr("Cannot load report resource file").toStdString());
    m_brandLogo = QImage(QStringLiteral(":/res/logo-norvane-report.png"));
}

ReportProducer::~ReportProducer() = default;

void ReportProducer::setHeader(const QString &logoFileName, const QString &title, const QString &info)
{
    m_logoFileName = logoFileName;
    m_title = title;
    m_info = info;
}

void ReportProducer::print(const QString &path, const ReportEngine::Progress &progress)
{
    m_engine.printPdf(path, *this, progress);
}

bool ReportProducer::headerValue(const QString &name, QString &value) const
{
    if (name == QLatin1String("headerTitle"))
        value = m_title;
    else if (name == QLatin1String("headerInfo"))
        value = m_info;
    else
        return false;
    return true;
}

bool ReportProducer::drawLogo(const QString &name, QPainter *painter, const QRect &bounds)
{
    if (name == QLatin1String("headerLogo")) {
        if (!m_logoFileName.isEmpty())
            drawImageCentred(*painter, bounds, QImage(m_logoFileName));
        return true;
    }
    if (name == QLatin1String("brandLogo")) {
        // One image for every sheet, so that the PDF holds it once.
        if (bounds.size() != m_brandBounds) {
            m_brandBounds = bounds.size();
            m_brandPrepared = QImage();
        }
        drawImageCentred(*painter, bounds, m_brandLogo, &m_brandPrepared);
        return true;
    }
    return false;
}

QString ReportProducer::stripLabel(int record) const
{
    return record >= 0 && record < m_strips.size() ? m_strips[record].label : QString();
}

void ReportProducer::drawStrip(QPainter *painter, const QRect &bounds, int record) const
{
    if (record < 0 || record >= m_strips.size())
        return;
    const EventStrip &strip = m_strips[record];
    std::unique_ptr<TFileSignal> recording;
    if (!strip.recordingPath.isEmpty()) {
        try {
            recording = TFileSignal::openRecordingFile(strip.recordingPath);
        } catch (const StorageError &) {
            // An unreadable recording gives a strip of empty paper.
        }
    }
    std::unique_ptr<TStoredFilterChain> chain;
    SignalGraphic graphic;
    if (recording) {
        chain = std::make_unique<TStoredFilterChain>(recording.get());
        chain->setNotchKind(QStringLiteral("50hz"));
        chain->setLowpassKind(QStringLiteral("25hz"));
        try {
            chain->configure(true, true, true);
        } catch (const std::exception &) {
            // Rates without a notch design keep the stages built so far.
        }
        graphic.setSignal(chain->head());
        graphic.setMissing(recording->gapSpans());
    }
    graphic.setStartTime(strip.offset);
    graphic.setSessionStart(strip.sessionStart);
    graphic.draw(*painter, bounds);
}
