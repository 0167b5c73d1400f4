#pragma once

#include <algorithm>
#include <cstring>

// Small vectors of floats, ints and doubles worked on side by side in one
// register (SSE on x86-64), for the beat classifier's loops over samples.
// Each lane does exactly what a plain loop would do with its values, so a
// result does not depend on how many lanes there are; min and max are taken
// as std::min and std::max take them.
namespace BeatLanes {

using Float4 = float __attribute__((vector_size(16)));
using Int4 = int __attribute__((vector_size(16)));
using Double2 = double __attribute__((vector_size(16)));

inline Float4 load4(const float *p)
{
    Float4 v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

inline Int4 load4(const int *p)
{
    Int4 v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

inline void store4(float *p, Float4 v)
{
    std::memcpy(p, &v, sizeof v);
}

inline Float4 splat4(float x)
{
    return Float4{x, x, x, x};
}

inline Float4 toFloat4(Int4 v)
{
    return __builtin_convertvector(v, Float4);
}

inline Float4 min4(Float4 a, Float4 b)
{
    return b < a ? b : a;
}

inline Float4 max4(Float4 a, Float4 b)
{
    return a < b ? b : a;
}

// Clears the sign bits, as std::abs does.
inline Float4 abs4(Float4 a)
{
    return Float4(Int4(a) & 0x7fffffff);
}

inline float lowest(Float4 v)
{
    return std::min(std::min(v[0], v[1]), std::min(v[2], v[3]));
}

inline float highest(Float4 v)
{
    return std::max(std::max(v[0], v[1]), std::max(v[2], v[3]));
}

inline float total(Float4 v)
{
    return (v[0] + v[1]) + (v[2] + v[3]);
}

// The lanes added in double, first to last.
inline double totalInDouble(Float4 v)
{
    return double(v[0]) + double(v[1]) + double(v[2]) + double(v[3]);
}

} // namespace BeatLanes
