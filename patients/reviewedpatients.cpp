#include "reviewedpatients.h"

#include <QHash>

namespace reviewedpatients {
namespace {

// Windows live on the GUI thread only, so the registry needs no lock.
QHash<int, int> &holds()
{
    static QHash<int, int> count;
    return count;
}

} // namespace

bool contains(int patientId)
{
    return holds().value(patientId) > 0;
}

Hold::Hold(int patientId) : m_patientId(patientId)
{
    ++holds()[m_patientId];
}

Hold::~Hold()
{
    if (--holds()[m_patientId] <= 0)
        holds().remove(m_patientId);
}

} // namespace reviewedpatients
