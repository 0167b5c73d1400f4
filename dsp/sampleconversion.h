#pragma once

#include <QtGlobal>

#include <cmath>

// Conversions of filter results (doubles) to 16-bit samples.
namespace SampleConversion {

// Truncation toward zero keeping the low 16 bits (no saturation): what the
// live stages store. Values that do not fit in 64 bits (and NaN) give 0.
inline qint16 wrapToInt16(double value)
{
    if (!(std::fabs(value) < 9.2e18))
        return 0;
    return qint16(quint16(quint64(qint64(value)) & 0xffffu));
}

// Saturation to [-32768, 32767], then truncation: what the block filters store.
inline qint16 saturateToInt16(double value)
{
    if (std::isnan(value))
        return 0;
    if (value >= 32767.0)
        return 32767;
    if (value <= -32768.0)
        return -32768;
    return qint16(value);
}

} // namespace SampleConversion
