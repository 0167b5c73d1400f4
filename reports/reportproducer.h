#pragma once

#include "reports/reportcontent.h"
#include "reports/reportengine.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QImage>
#include <QMap>
#include <QRect>
#include <QString>
#include <QVector>

class QPainter;

// What the session and summary reports share: the engine with its template,
// the header set by the user, the logos and the printing. A producer takes
// everything it prints from the records at construction, on the thread that
// owns the database; print() then reads only that snapshot and the
// recordings, through read-only handles of its own, so that it may run on
// another thread while the windows go on.
class ReportProducer : public ReportContent
{
    Q_DECLARE_TR_FUNCTIONS(ReportProducer)

public:
    ~ReportProducer() override;

    void setHeader(const QString &logoFileName, const QString &title, const QString &info);

    // Writes the PDF at `path`, replacing a previous file only when the new
    // one is complete. Throws ReportError.
    void print(const QString &path, const ReportEngine::Progress &progress = ReportEngine::Progress());
    // Makes a running print fail at its next sheet. Thread-safe.
    void cancel() { m_engine.cancel(); }

    ReportEngine &engine() { return m_engine; }

protected:
    // Loads the template (ReportError "Cannot load report resource file").
    explicit ReportProducer(const QString &templatePath);

    QMap<QString, QString> m_values;

    // An event printed as an ECG strip; record r of a strip band shows strip r.
    struct EventStrip
    {
        QString recordingPath; // empty when the session has no recording
        double offset = 0.0;   // seconds from the start of the recording
        QString label;
        QDateTime sessionStart; // clock time of the session's start
    };
    QVector<EventStrip> m_strips;
    // The label of strip `record`; empty for other records.
    QString stripLabel(int record) const;

    // The header texts for "headerTitle" and "headerInfo"; false for other names.
    bool headerValue(const QString &name, QString &value) const;
    // Paints "headerLogo" and "brandLogo"; false for other names.
    bool drawLogo(const QString &name, QPainter *painter, const QRect &bounds);
    // Strip `record` from its event on, through the stored filter chain (notch
    // 50 Hz, low-pass 25 Hz, baseline), with its clock time and offset; paper
    // saying "No ECG recording" when the recording cannot be read, nothing
    // for other records.
    void drawStrip(QPainter *painter, const QRect &bounds, int record) const;

private:
    ReportEngine m_engine;
    QString m_logoFileName, m_title, m_info;
    QImage m_brandLogo;
    QImage m_brandPrepared; // the brand logo as drawn on every sheet, made once
    QSize m_brandBounds;
};

// Draws an image fitted into bounds keeping its aspect ratio, centred.
// Images far finer than the paper needs are scaled down first (smoothly), so
// that a photograph does not swell the PDF; `prepared` may hand in that
// scaled image from an earlier call with the same bounds and receives it.
void drawImageCentred(QPainter &painter, const QRect &bounds, const QImage &image, QImage *prepared = nullptr);
