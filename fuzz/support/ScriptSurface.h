#pragma once

#include <string>
#include <vector>

// What scripts of the current edition can reach: every class of the class registry with the
// members an instance of it declares, every global function and every action class. It is
// gathered from the registries themselves, by making one instance of each class, so that a
// class, member or function added later is reached without a change here.
class ScriptSurface {
 public:
  enum MemberKind { propertyMember, eventMember, methodMember };

  struct ClassSurface {
    std::string name;
    std::vector<std::string> properties;
    std::vector<std::string> methods;
    std::vector<std::string> events;
    // Whether an instance could be made to read its members from, and the arguments that
    // made it: a position, a size, a resource id, as the factory pops them.
    bool seen = false;
    std::vector<std::string> arguments;
    // Whether those arguments begin with a position (x, y).
    bool placed = false;

    const std::vector<std::string>& members(int kind) const
    {
      return kind == propertyMember ? properties : kind == eventMember ? events : methods;
    }
  };

  // Reads the registries of the current edition. Classes that need the stage are made on
  // whatever stage the caller has set up; those that need a resource try the ids given.
  static ScriptSurface gather(const std::vector<std::string>& resourceIds);

  const std::vector<ClassSurface>& classes() const { return classes_; }
  const std::vector<std::string>& functions() const { return functions_; }
  const std::vector<std::string>& actionClasses() const { return actionClasses_; }
  // Counts for the record of what a target reaches: "N classes (M seen), P properties, ...".
  std::string summary() const;

 private:
  std::vector<ClassSurface> classes_;
  std::vector<std::string> functions_;
  std::vector<std::string> actionClasses_;
};
