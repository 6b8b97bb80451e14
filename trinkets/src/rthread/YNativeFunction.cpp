#include "trinkets/src/rthread/YNativeFunction.h"

#include <cstring>
#include <vector>

#include "trinkets/src/OMSParameter.h"
#include "trinkets/src/rvar/YVariableTable.h"

namespace {

std::vector<std::unique_ptr<YNativeFunction>> functions;
std::size_t walk = 0;
YNativeFunction* current = nullptr;

YVariable* resultVariable()
{
  if (!scriptVariables.isInitialised()) return nullptr;
  return scriptVariables.at(YVariableTable::resultIndex);
}

}  // namespace

void registerScriptFunction(const char* name, const OMLink* link)
{
  if (!name) return;
  for (auto it = functions.begin(); it != functions.end(); ++it) {
    if ((*it)->name == name) {
      if (current == it->get()) current = nullptr;
      functions.erase(it);
      break;
    }
  }
  auto function = std::make_unique<YNativeFunction>();
  function->name = name;
  function->link = cloneLink(link);
  functions.push_back(std::move(function));
}

YNativeFunction* findScriptFunction(const char* name)
{
  if (!name) return nullptr;
  for (const auto& function : functions) {
    if (std::strcmp(function->name.c_str(), name) == 0) return function.get();
  }
  return nullptr;
}

void callScriptFunction(YNativeFunction& function)
{
  rewindScriptArgs();
  if (function.link) function.link->call();
}

void setScriptResultText(const char* text)
{
  if (YVariable* result = resultVariable()) result->setText(text ? text : "");
}

void setScriptResultDouble(double value)
{
  if (YVariable* result = resultVariable()) result->setDouble(value);
}

void setScriptResultInt(std::int32_t value)
{
  if (YVariable* result = resultVariable()) result->setInteger(value);
}

const char* firstScriptFunction()
{
  walk = 0;
  return nextScriptFunction();
}

const char* nextScriptFunction()
{
  if (walk >= functions.size()) return nullptr;
  current = functions[walk++].get();
  return current->name.c_str();
}

OMLink* currentScriptFunctionLink()
{
  return current ? current->link.get() : nullptr;
}
