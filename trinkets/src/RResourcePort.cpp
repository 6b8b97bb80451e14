#include "trinkets/src/RResourcePort.h"

namespace {

RResourcePort* current = nullptr;

}  // namespace

RResourcePort::~RResourcePort()
{
  if (current == this) current = nullptr;
}

RResourcePort* RResourcePort::installed()
{
  return current;
}

void RResourcePort::install(RResourcePort* port)
{
  current = port;
}
