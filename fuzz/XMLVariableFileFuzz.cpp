// A variable file as scripts use it: loaded from a mutated file, then every element's group
// loaded into and saved from script variables, found, and its children and attributes read.
#include <string>
#include <vector>

#include "framework/OMXMLDocument.h"
#include "framework/OMXMLElement.h"
#include "fuzz/support/FuzzSupport.h"
#include "trinkets/lib/RXMLDatFile.h"
#include "trinkets/src/OMSParameter.h"
#include "trinkets/src/rvar/YVariableTable.h"

namespace {

// The names of the first elements, depth first.
void collectNames(const OMXMLElement* element, int depth, std::vector<std::string>& names)
{
  if (!element || depth > 100 || names.size() >= 40) return;
  if (const char* name = element->name().text()) names.emplace_back(name);
  element->children().firstThat([&](OMXMLElement* child) {
    collectNames(child, depth + 1, names);
    return false;
  });
}

void call(RXMLDatFile& file, const char* member, const std::string& argument = "")
{
  file.callMethod(member, argument.c_str(), scriptArgTerminator);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
  omfuzz::workFolder();
  omfuzz::writeInput("vars.xml", data, size);
  if (!scriptVariables.isInitialised()) scriptVariables.init();
  {
    RXMLDatFile file("vars.xml", false);
    file.bindClass("RXMLDatFile");
    file.setProperty("writeMethod", "1");
    std::vector<std::string> names;
    if (file.document()) collectNames(file.document()->root(), 0, names);
    for (const std::string& name : names) {
      call(file, "findNode", name);
      const int children = std::atoi(file.getProperty("children"));
      const int attributes = std::atoi(file.getProperty("attributes"));
      for (int i = 0; i <= children + 1 && i < 50; ++i)
        call(file, "getChild", std::to_string(i));
      for (int i = 0; i <= attributes + 1 && i < 50; ++i)
        call(file, "getAttribute", std::to_string(i));
      call(file, "getContents");
      call(file, "loadNode", name);
      call(file, "saveNode", name);
      call(file, "addNode", "extra");
      file.callMethod("addAttribute", "VALUE", name.c_str(), scriptArgTerminator);
      call(file, "deleteNode", "1");
      call(file, "selectParent");
    }
    call(file, "selectRoot");
    call(file, "write");
  }
  scriptVariables.clear();
  return 0;
}
