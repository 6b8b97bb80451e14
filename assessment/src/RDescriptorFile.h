#pragma once

#include <memory>

#include "framework/OMWord.h"
#include "trinkets/src/OMScriptableObject.h"

// The scripts' view of the program's descriptor: its exit button's id.
class RDescriptorFile : public OMScriptableObject {
 public:
  RDescriptorFile();
  RDescriptorFile(const RDescriptorFile& other) = default;

  static std::unique_ptr<OMScriptableObject> create();

  std::unique_ptr<OMScriptableObject> clone() const override;
  void registerMembers() override;

 private:
  OMWord exitButtonId(OMWord buffer);
};
