#include "fuzz/support/SurfaceScript.h"

namespace {

// Statement kinds and their weights, in the order writeStatement takes them.
enum Statement {
  creation,
  setProperty,
  connection,
  getProperty,
  play,
  globalCall,
  drop,
  flow,
  assignment,
  loop,
  condition,
  call,
  inputEvent,
  statementKinds
};
constexpr int weights[statementKinds] = {4, 3, 3, 2, 4, 3, 3, 2, 2, 1, 1, 1, 2};

Statement statementFor(std::size_t roll)
{
  for (int kind = 0; kind < statementKinds; ++kind) {
    if (roll < static_cast<std::size_t>(weights[kind])) return static_cast<Statement>(kind);
    roll -= static_cast<std::size_t>(weights[kind]);
  }
  return creation;
}

constexpr std::size_t totalWeight()
{
  std::size_t total = 0;
  for (int weight : weights)
    total += static_cast<std::size_t>(weight);
  return total;
}

}  // namespace

// Every choice that a statement's words take from the input is made in a statement of its own:
// the operands of one expression are evaluated in an order that the compilers do not share,
// and an input must make the same script in each build (the fuzzer's and the suite's).
SurfaceScript::SurfaceScript(const std::uint8_t* data, std::size_t size,
                             const ScriptSurface& surface, const Content& content)
    : bytes_(data, size),
      surface_(surface),
      content_(content),
      words_(bytes_, surface, content.words)
{
  classes_.fill(-1);
  procedures_ = 1 + static_cast<int>(bytes_.below(procedureLimit));
  words_.setProcedures(procedures_);
  const std::size_t opening = bytes_.below(4);
  if (opening == 1) text_ += "yield off\r";
  if (opening == 2) text_ += "yield on\r";
  std::vector<std::string> bodies(static_cast<std::size_t>(procedures_));
  std::string main;
  std::size_t written = text_.size();
  while (!bytes_.empty() && statements_ < statementLimit && written < textLimit) {
    const auto where = static_cast<int>(bytes_.below(static_cast<std::size_t>(procedures_) + 2));
    std::string& out = where >= procedures_ ? main : bodies[static_cast<std::size_t>(where)];
    const std::size_t before = out.size();
    writeStatement(where >= procedures_ ? Place{} : Place{where, 0}, out);
    written += out.size() - before;
  }
  text_ += main;
  // The main code ends held, or runs off its end and parks: either way its events go on.
  if (bytes_.below(2) == 1) text_ += "wait\r";
  for (int p = 0; p < procedures_; ++p) {
    text_ += "procedure p" + std::to_string(p) + (p % 2 ? " a b" : "") + "\r[\r";
    text_ += bodies[static_cast<std::size_t>(p)];
    text_ += "]\r";
  }
}

void SurfaceScript::writeStatement(const Place& place, std::string& out)
{
  ++statements_;
  Statement kind = statementFor(bytes_.below(totalWeight()));
  // Deep bodies hold simple statements only.
  if (place.depth >= 2 && (kind == loop || kind == condition)) kind = play;
  switch (kind) {
    case creation:
      writeCreation(out);
      break;
    case setProperty:
      writeSetProperty(out);
      break;
    case connection:
      writeConnection(place, out);
      break;
    case getProperty:
      writeGet(out);
      break;
    case play:
      writePlay(place, out);
      break;
    case globalCall:
      writeGlobalCall(out);
      break;
    case drop:
      writeDrop(place, out);
      break;
    case flow:
      writeFlow(place, out);
      break;
    case assignment:
      writeAssignment(out);
      break;
    case loop:
      writeLoop(place, out);
      break;
    case condition:
      writeCondition(place, out);
      break;
    case call:
      writeCall(place, out);
      break;
    default:
      writeInput();
      out += "debug\r";
      break;
  }
}

void SurfaceScript::writeCreation(std::string& out)
{
  if (surface_.classes().empty()) return;
  const std::size_t which = bytes_.below(surface_.classes().size());
  const ScriptSurface::ClassSurface& made = surface_.classes()[which];
  std::string destination;
  if (bytes_.chance(1)) {
    destination = "l." + std::to_string(1 + bytes_.below(3));
  } else {
    const std::size_t k = bytes_.below(objectCount);
    classes_[k] = static_cast<int>(which);
    destination = "o" + std::to_string(k);
  }
  // Most objects stand where the clicks go; the others get what the arguments say, the
  // factory's own numbers among them.
  const std::array<int, 2>* point = nullptr;
  if (!content_.points.empty() && bytes_.chance(5))
    point = &content_.points[bytes_.below(content_.points.size())];
  out += destination + "=" + made.name +
         words_.creationArguments(made, point, 4, made.arguments.empty() ? 7 : 2) + "\r";
}

void SurfaceScript::writeSetProperty(std::string& out)
{
  const std::string object = objectVariable(Place{});
  out += "set " + object + " " + member(object, ScriptSurface::propertyMember);
  if (bytes_.chance(1)) out += words_.arguments(2);
  out += " " + words_.argument() + "\r";
}

void SurfaceScript::writeConnection(const Place& place, std::string& out)
{
  std::string holder = objectVariable(place);
  // A class-level connection: every object of the class raises it.
  if (bytes_.chance(1) && !surface_.classes().empty())
    holder = surface_.classes()[bytes_.below(surface_.classes().size())].name;
  std::string line = "set " + holder + " " + member(holder, ScriptSurface::eventMember);
  if (!bytes_.chance(1)) {
    if (bytes_.chance(1)) line += words_.arguments(2);
    line += " " + words_.procedureLabel();
  }
  out += line + "\r";
}

void SurfaceScript::writeGet(std::string& out)
{
  const std::string object = objectVariable(Place{});
  const std::string property =
      bytes_.chance(1) ? "name" : member(object, ScriptSurface::propertyMember);
  out += "get " + object + " " + property;
  if (bytes_.chance(1)) out += words_.arguments(2);
  out += " " + words_.textVariable() + "\r";
}

void SurfaceScript::writePlay(const Place& place, std::string& out)
{
  const std::string object = objectVariable(place);
  std::string line = "play " + object;
  if (!bytes_.chance(1)) {
    line += " " + member(object, ScriptSurface::methodMember);
    line += words_.arguments(5);
  }
  // The thread waits for the object's completion.
  if (bytes_.chance(2)) line += " }";
  out += line + "\r";
}

void SurfaceScript::writeGlobalCall(std::string& out)
{
  if (surface_.functions().empty()) return;
  out += surface_.functions()[bytes_.below(surface_.functions().size())];
  out += words_.arguments(6) + "\r";
}

void SurfaceScript::writeDrop(const Place& place, std::string& out)
{
  switch (bytes_.below(8)) {
    case 0:
      out += "drop " + objectVariable(place);
      out += " " + objectVariable(place) + "\r";
      break;
    case 1:
      out += "drop trinkets\r";
      break;
    case 2:
      out += "drop [ l\r";
      break;
    case 3:
      out += "drop var \"" + objectVariable(place) + "\"\r";
      break;
    case 4: {
      static const char* const topics[] = {"wait", "schedule", "idle", "script stack", "stack"};
      out += std::string("drop ") + topics[bytes_.below(5)] + "\r";
      break;
    }
    default:
      out += "drop " +
             (place.procedure >= 0 && bytes_.chance(4) ? std::string("RECEIVER")
                                                       : objectVariable(place)) +
             "\r";
      break;
  }
}

void SurfaceScript::writeFlow(const Place& place, std::string& out)
{
  switch (bytes_.below(9)) {
    case 0:
      out += "say" + words_.arguments(4) + "\r";
      break;
    case 1:
      out += "pause " +
             (bytes_.chance(5) ? std::string(bytes_.chance(4) ? "1" : "0.2") : words_.number()) +
             "\r";
      break;
    case 2:
      out += bytes_.chance(4) ? "yield on\r" : "yield off\r";
      break;
    case 3:
      out += bytes_.chance(4) ? "suspend\r" : "resume\r";
      break;
    case 4:
    case 5:
      out += bytes_.chance(4) ? "schedule " : "idle ";
      out += bytes_.chance(5) ? std::string("1") : words_.number();
      out += " " + words_.procedureLabel() + "\r";
      break;
    case 6:
      out += "wait\r";
      break;
    default:
      out += "say " + words_.textVariable();
      out += " " + objectVariable(place) + "\r";
      break;
  }
}

void SurfaceScript::writeAssignment(std::string& out)
{
  const std::string text = words_.textVariable();
  const std::string object = objectVariable(Place{});
  const std::size_t k = bytes_.below(objectCount);
  const std::string other = "o" + std::to_string(k);
  static const char* const operators[] = {"+", "-", "*", "/", "\\", "%", "^", "@", "<", "=", "#"};
  switch (bytes_.below(10)) {
    case 0:
      // A copy made by the object's clone.
      classes_[k] = classIndexOf(object);
      out += other + "=" + object + "\r";
      break;
    case 1:
      out += other + "=&" + object + "\r";
      break;
    case 2:
      // The length of a text; of an object, "~" gives its address, which no run may depend on.
      out += text + "=~" + words_.textVariable() + "\r";
      break;
    case 3:
      out += text + "=$" + words_.textVariable() + "\r";
      break;
    case 4:
    case 5:
      out += text + "=" + words_.textVariable();
      out += operators[bytes_.below(11)];
      out += (bytes_.chance(4) ? words_.textVariable() : words_.operand()) + "\r";
      break;
    case 6:
      out += text + "=\r";
      break;
    case 7:
      out += "l=[" + words_.name();
      out += " " + words_.name() + " ]\r";
      break;
    default:
      out += text + "=" + words_.argument() + "\r";
      break;
  }
}

void SurfaceScript::writeLoop(const Place& place, std::string& out)
{
  out += std::string("for ") + (place.depth ? "j" : "i") + " " + words_.count();
  if (!bytes_.chance(2)) {
    out += " " + words_.count();
    if (bytes_.chance(3)) out += " " + words_.count();
  }
  out += "\r";
  writeBody(place, out);
}

void SurfaceScript::writeCondition(const Place& place, std::string& out)
{
  switch (bytes_.below(3)) {
    case 0:
      out += "if " + words_.textVariable() + "\r";
      break;
    case 1:
      out += "if ~" + objectVariable(place) + "\r";
      break;
    default:
      out += "if " + words_.textVariable();
      out += "<" + words_.operand() + "\r";
      break;
  }
  writeBody(place, out);
  if (bytes_.chance(3)) {
    out += "else\r";
    writeBody(place, out);
  }
}

void SurfaceScript::writeCall(const Place& place, std::string& out)
{
  switch (bytes_.below(8)) {
    case 0:
      out += "exit\r";
      break;
    case 1:
      out += "quit\r";
      break;
    case 2:
      out +=
          "relay " +
          (content_.words.empty() ? std::string("\"nothere.mps\"") : bytes_.pick(content_.words)) +
          "\r";
      break;
    default: {
      // Within a procedure only those before it are called, so that calls never recur.
      const int most = place.procedure >= 0 ? place.procedure : procedures_;
      if (most == 0) {
        out += "debug\r";
        break;
      }
      out += "call p" + std::to_string(bytes_.below(static_cast<std::size_t>(most)));
      out += words_.arguments(2) + "\r";
      break;
    }
  }
}

void SurfaceScript::writeBody(const Place& place, std::string& out)
{
  const Place inner{place.procedure, place.depth + 1};
  if (bytes_.chance(3)) {
    writeStatement(inner, out);
    return;
  }
  out += "[\r";
  const std::size_t count = 1 + bytes_.below(4);
  for (std::size_t i = 0; i < count; ++i)
    writeStatement(inner, out);
  out += "]\r";
}

void SurfaceScript::writeInput()
{
  const std::uint32_t when =
      content_.start + static_cast<std::uint32_t>(bytes_.below(256) * content_.length / 256);
  int x = static_cast<int>(bytes_.below(640)), y = static_cast<int>(bytes_.below(480));
  if (!content_.points.empty() && bytes_.chance(6)) {
    const std::array<int, 2>& point = content_.points[bytes_.below(content_.points.size())];
    x = point[0] + 4;
    y = point[1] + 4;
  }
  const std::string at = "at " + std::to_string(when) + " ";
  const std::string where = " " + std::to_string(x) + " " + std::to_string(y) + "\n";
  static const char* const keys[] = {"Escape", "Enter", "Space", "Left", "Tab", "Backspace", "a"};
  switch (bytes_.below(9)) {
    case 0:
      input_ += at + "press" + where;
      break;
    case 1:
      input_ += at + "release" + where;
      break;
    case 2:
      input_ += at + "move" + where;
      break;
    case 3:
      input_ += at + "rclick" + where;
      break;
    case 4:
      input_ += at + "key " + keys[bytes_.below(7)] + "\n";
      break;
    case 5:
      input_ += at + "text 12ab\n";
      break;
    case 6:
      input_ += at + (bytes_.chance(4) ? "close\n" : "deactivate\n" + at + "activate\n");
      break;
    default:
      input_ += at + "click" + where;
      break;
  }
}

std::string SurfaceScript::objectVariable(const Place& place)
{
  if (place.procedure >= 0 && bytes_.chance(2)) return "RECEIVER";
  if (bytes_.chance(1)) return "l." + std::to_string(1 + bytes_.below(3));
  return "o" + std::to_string(bytes_.below(objectCount));
}

std::string SurfaceScript::member(const std::string& object, int kind)
{
  const ScriptSurface::ClassSurface* known = bytes_.chance(6) ? classOf(object) : nullptr;
  if (!known || known->members(kind).empty()) {
    const auto& classes = surface_.classes();
    if (classes.empty()) return "x";
    // Any class that has a member of the kind.
    const std::size_t from = bytes_.below(classes.size());
    for (std::size_t i = 0; i < classes.size(); ++i) {
      const auto& candidate = classes[(from + i) % classes.size()];
      if (!candidate.members(kind).empty()) {
        known = &candidate;
        break;
      }
    }
    if (!known || known->members(kind).empty()) return "x";
  }
  return bytes_.pick(known->members(kind));
}

int SurfaceScript::classIndexOf(const std::string& object) const
{
  if (object.size() != 2 || object[0] != 'o') return -1;
  const int k = object[1] - '0';
  return k >= 0 && k < objectCount ? classes_[static_cast<std::size_t>(k)] : -1;
}

const ScriptSurface::ClassSurface* SurfaceScript::classOf(const std::string& object) const
{
  const int index = classIndexOf(object);
  return index < 0 ? nullptr : &surface_.classes()[static_cast<std::size_t>(index)];
}
