#include "fuzz/support/ScriptSurface.h"

#include <memory>

#include "trinkets/src/ActionCreateRecord.h"
#include "trinkets/src/OMSParameter.h"
#include "trinkets/src/OMScriptableObject.h"
#include "trinkets/src/TrinketRecord.h"
#include "trinkets/src/rthread/YNativeFunction.h"

namespace {

using Arguments = std::vector<std::string>;

const std::string position = "10";

// What a factory that refuses no arguments may want: a position and a size, and a resource
// of the content after a position, after a rectangle, or alone.

std::vector<Arguments> argumentLists(const std::vector<std::string>& ids)
{
  std::vector<Arguments> lists = {{}, {position, position, "1", "1", "1", "1", "1", "1"}};
  for (const std::string& id : ids) {
    lists.push_back({position, position, id});
    lists.push_back({position, position, "60", "60", id});
    lists.push_back({id});
  }
  return lists;
}

// An instance of the class, and in the surface the arguments that made it.
std::unique_ptr<OMScriptableObject> makeInstance(const char* className,
                                                 const std::vector<Arguments>& lists,
                                                 ScriptSurface::ClassSurface& surface)
{
  for (const Arguments& arguments : lists) {
    clearScriptArgs();
    for (const std::string& argument : arguments)
      pushScriptArg(argument.c_str());
    if (auto made = createTrinketByName(className, scriptArgTerminator)) {
      surface.arguments = arguments;
      surface.placed =
          arguments.size() >= 2 && arguments[0] == position && arguments[1] == position;
      return made;
    }
  }
  return nullptr;
}

void readMembers(const OMScriptableObject& object, ScriptSurface::ClassSurface& surface)
{
  // A walk that finds nothing visits every member.
  object.members().firstThat([&surface](OMScriptableObjectProperty* member) {
    switch (member->kind()) {
      case OMScriptableObjectProperty::dataProperty:
        surface.properties.emplace_back(member->name());
        break;
      case OMScriptableObjectProperty::event:
        surface.events.emplace_back(member->name());
        break;
      case OMScriptableObjectProperty::method:
        surface.methods.emplace_back(member->name());
        break;
    }
    return false;
  });
}

}  // namespace

ScriptSurface ScriptSurface::gather(const std::vector<std::string>& resourceIds)
{
  ScriptSurface surface;
  const std::vector<Arguments> lists = argumentLists(resourceIds);
  for (const char* name : trinketClassNames()) {
    ClassSurface found;
    found.name = name;
    if (std::unique_ptr<OMScriptableObject> instance = makeInstance(name, lists, found)) {
      readMembers(*instance, found);
      found.seen = true;
    }
    surface.classes_.push_back(std::move(found));
  }
  for (const char* name = firstScriptFunction(); name; name = nextScriptFunction())
    surface.functions_.emplace_back(name);
  forEachActionClass([&surface](const char* name) { surface.actionClasses_.emplace_back(name); });
  return surface;
}

std::string ScriptSurface::summary() const
{
  std::size_t seen = 0, properties = 0, methods = 0, events = 0;
  for (const ClassSurface& surface : classes_) {
    seen += surface.seen ? 1 : 0;
    properties += surface.properties.size();
    methods += surface.methods.size();
    events += surface.events.size();
  }
  std::string unseen;
  for (const ClassSurface& surface : classes_)
    if (!surface.seen) unseen += " " + surface.name;
  return std::to_string(classes_.size()) + " classes (" + std::to_string(seen) + " made), " +
         std::to_string(properties) + " properties, " + std::to_string(methods) + " methods, " +
         std::to_string(events) + " events, " + std::to_string(functions_.size()) +
         " global functions, " + std::to_string(actionClasses_.size()) + " action classes" +
         (unseen.empty() ? "" : "; not made without a script:" + unseen);
}
