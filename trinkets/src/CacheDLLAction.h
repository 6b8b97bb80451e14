#pragma once

#include <memory>
#include <string>

#include "trinkets/src/Action.h"
#include "trinkets/src/ActionCompletion.h"

// Makes a resource file available through the resource port: at once, or read (or copied
// into the cache folder) in the background, finishing when the port reports it ready.
class CacheDLLAction : public Action {
 public:
  CacheDLLAction(std::string fileName, int background, int owner, int cacheCopy, int uncacheOnHalt,
                 int interruptible);
  // A copy of the action as made, idle.
  CacheDLLAction(const CacheDLLAction& other);
  ~CacheDLLAction() override;

  // Arguments: file name, background, owner, cache copy, uncache on halt, interruptible; no
  // action when the name is empty and nothing else is given.
  static std::unique_ptr<Action> create(int interruptible);

  void start() override;
  void halt() override;

 protected:
  std::unique_ptr<Action> copy() const override { return std::make_unique<CacheDLLAction>(*this); }

 private:
  std::string fileName_;
  int background_;
  int owner_;
  int cacheCopy_;
  int uncacheOnHalt_;
  ActionCompletion completion_{this};
};
