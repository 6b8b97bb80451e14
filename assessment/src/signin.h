#pragma once

#include <memory>
#include <string>
#include <vector>

#include "framework/OMRect.h"
#include "framework/OMWord.h"
#include "trinkets/src/OMTrinket.h"

class OMFont;
class RDatFile;
class RWSlider;
class UserStore;

// The sign-in list: seven rows of user names in byte order, in which the child picks a name
// or types a new one; Enter (or a double click) signs in and "isNew" tells whether the user
// was new. The users live in "users\users.dat", saved after every change.
class signin : public OMTrinket {
 public:
  static constexpr int rowCount = 7;
  static constexpr int maxEntries = 99;
  static constexpr int maxTyped = 12;
  static constexpr int fontId = 14851;
  enum Result { existingUser = 0, newUser = 1, noNameTyped = 2 };

  signin(int x, int y, int width, OMTrinketWindow* host);
  ~signin() override;
  signin(const signin&) = delete;

  static std::unique_ptr<OMScriptableObject> create();
  std::unique_ptr<OMScriptableObject> clone() const override { return nullptr; }
  void registerMembers() override;
  void paint() override;
  void onKeyDown() override;
  void onMouseDown() override;
  void onDoubleClick() override;

  int entryCount() const { return static_cast<int>(names_.size()); }
  const std::string& entry(int number) const
  {
    return names_[static_cast<std::size_t>(number - 1)];
  }
  int selected() const { return selected_; }
  int top() const { return top_; }
  int result() const { return result_; }
  const std::string& typed() const { return typed_; }
  const OMRect& row(int index) const { return rows_[static_cast<std::size_t>(index)]; }
  RWSlider* slider() const { return slider_.get(); }
  RDatFile& store() const { return *store_; }

  // Signs in with the selected entry; false (with its message) when it could not.
  bool signIn();
  void newPlayer();
  void reload();

 private:
  void typeCharacter(char c);
  void backspace();
  void moveSelection(int delta);
  void removeSelected();
  void lookUpTyped();
  void insertInOrder(const std::string& name);
  void select(int number);
  void sortNames();
  void updateSlider();
  bool fitsRow(const std::string& text) const;
  // Raises an event; false when a handler dropped the list.
  bool raiseAlive(const char* event);
  int rowAt(const OMPoint& point) const;
  OMWord sliderMoved(OMWord value);
  OMWord getIsNew(OMWord buffer);
  OMWord startMember();
  OMWord newPlayerMember();
  OMWord cancelMember();
  OMWord clearMember();
  OMWord enableMember();
  OMWord disableMember();

  std::vector<std::string> names_;
  int selected_ = 1;
  int top_ = 0;
  std::string typed_;
  bool newEntry_ = false;
  bool insertedRow_ = false;
  int result_ = existingUser;
  bool disabled_ = false;
  bool keyWait_ = true;
  OMRect list_;
  std::vector<OMRect> rows_;
  OMFont* font_ = nullptr;
  std::unique_ptr<RDatFile> store_;
  std::unique_ptr<UserStore> users_;
  std::unique_ptr<RWSlider> slider_;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};
