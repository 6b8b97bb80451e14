#include "framework/OMRes.h"

#include "framework/OMResFileNamedResType.h"

OMRes::~OMRes()
{
  OMResFileNamedResType::removeSource(this);
}
