#include "dsp/ventricularruns.h"

bool VentricularSequences::addVentricular(qint64 index, VentricularSequence *ended)
{
    bool endedOne = false;
    if (m_current.beats > 0 && (index - m_current.last) * 1000 >= VentricularSequence::PauseMs * m_rate)
        endedOne = addOther(ended);
    if (m_current.beats == 0)
        m_current.first = index;
    m_current.last = index;
    ++m_current.beats;
    return endedOne;
}

bool VentricularSequences::addOther(VentricularSequence *ended)
{
    if (m_current.beats == 0)
        return false;
    if (ended)
        *ended = m_current;
    m_current = VentricularSequence();
    return true;
}
