#pragma once

#include <QJsonObject>
#include <QVector>

struct StLiveSettings;

// A session's ST-segment trend as the study file keeps it: a point per block
// of about 10 s (the median ST level of the beats measured in it), the
// session's reference level and where after the J point the level was taken.
// A session without it was not analysed.
struct StTrendPoint
{
    double timeS = 0.0;   // seconds from the session's start (end of the block)
    double stUv = 0.0;    // microvolts against the isoelectric level

    bool operator==(const StTrendPoint &o) const { return timeS == o.timeS && stUv == o.stUv; }
};

struct StSessionData
{
    bool analysed = false;
    int pointMs = 60;
    bool hasReference = false;
    double referenceUv = 0.0;
    double referenceTimeS = 0.0;
    QVector<StTrendPoint> trend;

    bool operator==(const StSessionData &o) const
    {
        return analysed == o.analysed && pointMs == o.pointMs && hasReference == o.hasReference
            && referenceUv == o.referenceUv && referenceTimeS == o.referenceTimeS && trend == o.trend;
    }

    // The trend point furthest from the reference, as its change (signed,
    // microvolts); false without a reference or points.
    bool largestChange(double &changeUv) const;
    // How the session measured ST live, for analysing its recording again:
    // the default point and no reference time when not analysed.
    StLiveSettings liveSettings() const;

    // The study file's "stTrend" object; empty when not analysed.
    QJsonObject toJson() const;
    // Reads what toJson() wrote; anything that is not such an object reads
    // as not analysed, and points that are not pairs of numbers are left out.
    static StSessionData fromJson(const QJsonValue &value);
};
