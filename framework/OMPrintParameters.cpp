#include "framework/OMPrintParameters.h"

namespace {

OMPrintParameters& stored()
{
  static OMPrintParameters parameters;
  return parameters;
}

}  // namespace

void setPrintParameters(int mode, const OMRect& source, int firstWord, int secondWord,
                        const OMRect& page)
{
  stored() = {mode, source, firstWord, secondWord, page, false};
}

const OMPrintParameters& printParameters()
{
  return stored();
}
