#include "game/ScriptFileFunctions.h"

#include <omcrt.h>

#include <cstdio>
#include <string>

#include "game/WorldField.h"
#include "trinkets/src/OMSParameter.h"
#include "trinkets/src/rthread/YNativeFunction.h"

namespace {

// Left open at exit, as the scripts left it.
std::FILE* openTextFile = nullptr;

void closeOpenTextFile()
{
  if (!openTextFile) return;
  std::fclose(openTextFile);
  openTextFile = nullptr;
}

// Lines of two numbers become items "12:34", each followed by blanks where the line end was.
void convertPairText(std::string& text)
{
  for (char& c : text) {
    if (c >= '0' && c <= '9') continue;
    c = c == ' ' ? ':' : ' ';
  }
}

// The whole file, byte for byte; false when it cannot be opened or measured.
bool readWholeFile(const char* name, std::string& bytes)
{
  std::FILE* file = om_fopen(name, "rb");
  if (!file) return false;
  long length = -1;
  if (std::fseek(file, 0, SEEK_END) == 0) length = std::ftell(file);
  if (length < 0 || std::fseek(file, 0, SEEK_SET) != 0) {
    std::fclose(file);
    return false;
  }
  bytes.assign(static_cast<std::size_t>(length), '\0');
  bytes.resize(std::fread(bytes.data(), 1, bytes.size(), file));
  std::fclose(file);
  return true;
}

}  // namespace

namespace scriptfn {

OMWord closeFile(OMWord)
{
  closeOpenTextFile();
  return 1;
}

OMWord openFile(OMWord)
{
  const char* name = popScriptArg();
  closeOpenTextFile();
  openTextFile = om_fopen_text(name, "w");
  return 1;
}

OMWord deleteFile(OMWord)
{
  om_remove(popScriptArg());
  return 1;
}

OMWord writeToFile(OMWord)
{
  if (!openTextFile) return 1;
  std::fputs(popScriptArg(), openTextFile);
  if (*popScriptArg()) std::fputc('\n', openTextFile);
  return 1;
}

OMWord readPLSData(OMWord)
{
  const std::string name = popScriptArg();
  const bool deleteAfter = decimalValueOf(popScriptArg()) != 0;
  std::string text;
  if (!readWholeFile(name.c_str(), text)) {
    setScriptResultInt(0);
    return 1;
  }
  convertPairText(text);
  setScriptResultText(text.c_str());
  if (deleteAfter) om_remove(name.c_str());
  return 1;
}

}  // namespace scriptfn
