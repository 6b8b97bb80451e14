#include <cstdlib>

#include "framework/OMLinkToObj.h"
#include "trinkets/src/OMSParameter.h"
#include "trinkets/src/OMScriptableObject.h"
#include "trinkets/src/TrinketRecord.h"

namespace {

// A class that exists only in a plug-in library. Its one argument becomes its "weight".
class TPlugThing final : public OMScriptableObject {
 public:
  explicit TPlugThing(int weight) : weight_(weight) {}

  std::unique_ptr<OMScriptableObject> clone() const override
  {
    auto copy = std::make_unique<TPlugThing>(*this);
    copyMembers(copy.get());
    return copy;
  }

  void registerMembers() override
  {
    OMLinkToObj<TPlugThing> getter(this, &TPlugThing::getWeight, 0);
    addProperty("weight", nullptr, &getter);
  }

  static std::unique_ptr<OMScriptableObject> create()
  {
    return std::make_unique<TPlugThing>(std::atoi(popScriptArg()));
  }

 private:
  OMWord getWeight(OMWord buffer)
  {
    std::snprintf(reinterpret_cast<char*>(buffer), OMScriptableObject::resultBufferSize, "%d",
                  weight_);
    return 1;
  }

  int weight_;
};

TrinketRecord record("TPlugThing", &TPlugThing::create);

}  // namespace
