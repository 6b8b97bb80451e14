#include "trinkets/src/OMSParameter.h"

#include <cstring>

#include "framework/OMList.h"

const char scriptArgTerminator[] = "\x01";

OMSParameter::OMSParameter(const char* text)
{
  const std::size_t length = text ? std::strlen(text) : 0;
  text_ = std::make_unique<char[]>(length + 1);
  if (length) std::memcpy(text_.get(), text, length);
  text_[length] = '\0';
}

namespace {

struct ScriptArgs {
  OMList<OMSParameter> list;
  OMListLocator<OMSParameter> cursor{list};
};

// Created with the first class record and freed with the last, so that records registering
// from static initialisers never meet an argument stack that does not exist yet.
ScriptArgs* scriptArgs = nullptr;

const char emptyText[] = "";

}  // namespace

void createScriptArgs()
{
  if (!scriptArgs) scriptArgs = new ScriptArgs;
}

void destroyScriptArgs()
{
  if (!scriptArgs) return;
  scriptArgs->list.deleteAll(1);
  delete scriptArgs;
  scriptArgs = nullptr;
}

void clearScriptArgs()
{
  if (!scriptArgs) return;
  scriptArgs->list.deleteAll(1);
  // The cursor must not keep a freed element: it stands at the end until the next rewind.
  scriptArgs->cursor.toFirst();
}

void pushScriptArg(const char* text)
{
  if (!scriptArgs || !text) return;
  scriptArgs->list.add(new OMSParameter(text));
}

void rewindScriptArgs()
{
  if (scriptArgs) scriptArgs->cursor.toFirst();
}

const char* popScriptArg()
{
  if (!scriptArgs) return emptyText;
  const OMSParameter* parameter = scriptArgs->cursor.current();
  if (!parameter) return emptyText;
  scriptArgs->cursor.next();
  return parameter->text();
}
