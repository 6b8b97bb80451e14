#include "assessment/src/RDescriptorFile.h"

#include <cstdio>

#include "assessment/src/DescriptorFile.h"
#include "framework/OMEditionAssert.h"
#include "framework/OMLinkToObj.h"
#include "trinkets/src/TrinketRecord.h"

namespace {

TrinketRecord record("RDescriptorFile", &RDescriptorFile::create,
                     TrinketRecord::assessmentEditionOnly);

}  // namespace

RDescriptorFile::RDescriptorFile()
{
  OM_UNIT_ASSERT(DescriptorFile::current(), "..\\src\\dfile");
}

std::unique_ptr<OMScriptableObject> RDescriptorFile::create()
{
  return std::make_unique<RDescriptorFile>();
}

std::unique_ptr<OMScriptableObject> RDescriptorFile::clone() const
{
  auto copy = std::make_unique<RDescriptorFile>(*this);
  copyMembers(copy.get());
  return copy;
}

void RDescriptorFile::registerMembers()
{
  addProperty("exitButtonID", nullptr,
              OMLinkToObj<RDescriptorFile>(this, &RDescriptorFile::exitButtonId, 0));
}

OMWord RDescriptorFile::exitButtonId(OMWord buffer)
{
  const DescriptorFile* descriptor = DescriptorFile::current();
  std::snprintf(reinterpret_cast<char*>(buffer), resultBufferSize, "%d",
                descriptor ? descriptor->intValue("ExitButton", 1) : -1);
  return 1;
}
