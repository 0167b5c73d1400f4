#include "tblockfilter.h"

TBlockFilter::~TBlockFilter() = default;
