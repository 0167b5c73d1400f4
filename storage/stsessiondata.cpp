#include "storage/stsessiondata.h"

#include "dsp/recordingst.h"

#include <QJsonArray>

#include <cmath>

namespace {

constexpr int MaximumPoints = 1 << 20;   // far beyond any session (10 s each)

} // namespace

bool StSessionData::largestChange(double &changeUv) const
{
    if (!analysed || !hasReference || trend.isEmpty())
        return false;
    changeUv = 0.0;
    for (const StTrendPoint &p : trend)
        if (std::abs(p.stUv - referenceUv) > std::abs(changeUv))
            changeUv = p.stUv - referenceUv;
    return true;
}

StLiveSettings StSessionData::liveSettings() const
{
    StLiveSettings live;
    if (analysed) {
        live.pointMs = pointMs;
        if (hasReference)
            live.referenceTimeS = referenceTimeS;
    }
    return live;
}

QJsonObject StSessionData::toJson() const
{
    QJsonObject o;
    if (!analysed)
        return o;
    o.insert(QStringLiteral("pointMs"), pointMs);
    if (hasReference) {
        o.insert(QStringLiteral("referenceUv"), std::round(referenceUv * 10.0) / 10.0);
        o.insert(QStringLiteral("referenceTime"), std::round(referenceTimeS * 10.0) / 10.0);
    }
    QJsonArray points;
    for (const StTrendPoint &p : trend)
        points.append(QJsonArray{std::round(p.timeS * 10.0) / 10.0, std::round(p.stUv * 10.0) / 10.0});
    o.insert(QStringLiteral("points"), points);
    return o;
}

StSessionData StSessionData::fromJson(const QJsonValue &value)
{
    StSessionData d;
    if (!value.isObject())
        return d;
    const QJsonObject o = value.toObject();
    d.analysed = true;
    d.pointMs = o.value(QStringLiteral("pointMs")).toInt(60);
    if (d.pointMs < 40 || d.pointMs > 80)
        d.pointMs = 60;
    const QJsonValue reference = o.value(QStringLiteral("referenceUv"));
    d.hasReference = reference.isDouble() && std::isfinite(reference.toDouble());
    if (d.hasReference) {
        d.referenceUv = reference.toDouble();
        d.referenceTimeS = o.value(QStringLiteral("referenceTime")).toDouble(0.0);
    }
    const QJsonArray points = o.value(QStringLiteral("points")).toArray();
    for (const QJsonValue &v : points) {
        const QJsonArray pair = v.toArray();
        if (pair.size() != 2 || !pair[0].isDouble() || !pair[1].isDouble() || d.trend.size() >= MaximumPoints)
            continue;
        d.trend.append({pair[0].toDouble(), pair[1].toDouble()});
    }
    return d;
}
