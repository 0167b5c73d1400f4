#include "tblockwindow.h"

#include <algorithm>

double TBlockWindow::x(int i) const
{
    if (i < -n || i >= 2 * n)
        return 0.0;
    if (i < 0)
        return previous ? previous[n + i] : 0.0;
    if (i < n)
        return current ? current[i] : 0.0;
    return next ? next[i - n] : 0.0;
}

void TBlockWindow::read(int from, int count, double *out) const
{
    const qint16 *blocks[3] = {previous, current, next};
    int i = from;
    const int end = from + count;
    while (i < end) {
        if (i < -n || i >= 2 * n) {
            // Outside the window: zeros up to where it starts (or to the end).
            const int stop = i < -n ? std::min(end, -n) : end;
            std::fill(out + (i - from), out + (stop - from), 0.0);
            i = stop;
            continue;
        }
        const int which = i < 0 ? 0 : (i < n ? 1 : 2);
        const int base = (which - 1) * n;
        const int stop = std::min(end, base + n);
        double *dest = out + (i - from);
        if (const qint16 *data = blocks[which]) {
            for (int k = i; k < stop; ++k)
                *dest++ = data[k - base];
        } else {
            std::fill(dest, dest + (stop - i), 0.0);
        }
        i = stop;
    }
}
