#pragma once

#include <QString>

// Makes one typed name usable as part of a file name on every platform:
// / \ : * ? " < > | . and control characters become "_", a trailing space
// too, a reserved device name (CON, NUL, COM1, ...) gets a "_" appended, and
// the result is kept to maxLength UTF-16 units and maxBytes bytes of UTF-8,
// so that two names, the start time and the longest extension stay within
// the 255-byte limit of a file name. Dots are replaced because the stem of a
// study file is read back up to its first dot.
QString safeFileNamePart(const QString &name, int maxLength = 64, int maxBytes = 100);
