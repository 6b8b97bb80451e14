#pragma once

#include <memory>

#include "framework/OMList.h"
#include "trinkets/src/Action.h"

// An action that runs child actions. Children made by the script method "add" are owned by
// the container; children added by native code are borrowed.
class ActionContainer : public Action {
 public:
  explicit ActionContainer(int interruptible);
  ~ActionContainer() override;

  void registerMembers() override;

  // Borrows the child: the container does not delete it.
  void addAction(Action* child);
  // Finishes the child's part first when both are running.
  void removeAction(Action* child);
  // Lets go of the borrowed children and deletes the owned ones.
  void removeAll();

  virtual void onAdd(Action* child);
  virtual void onRemove(Action* child);
  // Called through a child's finished callback.
  virtual void childFinished() = 0;

  const OMList<Action>& children() const { return children_; }
  int childCount() const { return children_.count(); }
  // True when every child is interruptible (an empty container is).
  bool allChildrenInterruptible() const;

 protected:
  // A copy starts without children: copyContainer gives it copies of the owned ones.
  ActionContainer(const ActionContainer& other);
  // The copy of a container class: its copy constructor, then copies of the children the
  // container owns (a child lent by native code stays with the container it was lent to).
  // None when a child has no copy.
  template <typename Container>
  static std::unique_ptr<Action> copyContainer(const Container& container)
  {
    auto made = std::make_unique<Container>(container);
    if (!made->copyChildrenOf(container)) return nullptr;
    return made;
  }
  OMList<Action>& childList() { return children_; }

 private:
  bool copyChildrenOf(const ActionContainer& other);
  // Takes an owned child: hooked, appended and announced.
  void adopt(std::unique_ptr<Action> child);
  void hookChild(Action* child);
  void unhookChild(Action* child);
  OMWord addMember();
  OMWord childFinishedMember();
  OMWord getActionCount(OMWord buffer);
  OMWord getIsActive(OMWord buffer);

  OMList<Action> children_;
  OMList<Action> borrowed_;
};
