#pragma once

#include "framework/OMAssert.h"
#include "framework/OMListElement.h"
#include "framework/OMWord.h"

template <typename T>
class OMListLocator;

// The collection of the whole system: a doubly linked list of item pointers with an optional
// ordering function. A walk keeps the element it will visit next in a saved cursor, and every
// link or unlink step keeps those cursors valid, so that the function a walk calls may add or
// remove items of the same list.
template <typename T>
class OMList {
 public:
  using Element = OMListElement<T>;
  // Answers non-zero when the item already in the list may stand before the new one.
  using Ordering = int (*)(T* existing, T* added);
  using MemberFn = int (T::*)();
  using MemberFnWithArg = int (T::*)(OMWord);
  using PlainFn = int (*)(T*);
  using PlainFnWithArg = int (*)(T*, OMWord);

  // Walks over one list nest at most this deep.
  static constexpr int savedCursorCount = 3;

  OMList() = default;
  OMList(const OMList& other) { assign(other); }
  OMList& operator=(const OMList& other)
  {
    assign(other);
    return *this;
  }
  ~OMList() { removeAll(); }

  void setOrdering(Ordering ordering) { ordering_ = ordering; }
  Ordering ordering() const { return ordering_; }

  int count() const { return count_; }
  bool isEmpty() const { return count_ == 0; }
  T* first() const { return head_ ? head_->item : nullptr; }
  T* last() const { return tail_ ? tail_->item : nullptr; }
  int cursorDepth() const { return depth_; }

  // Ordered insertion from the tail: a new item goes behind every item that may precede it.
  void add(T* item);
  // The mirror insertion from the head: a new item goes before the first item that may not
  // precede it.
  void insert(T* item);

  // Raw linking steps. addTail and addHead need a non-empty list.
  void addFirst(T* item);
  void addTail(T* item);
  void addHead(T* item);

  bool contains(const T* item) const;
  T* remove(T* item);

  // Kind 0: item's member function; 1: member function with arg; 2: plain function with the
  // item; 3: plain function with the item and arg. Results are ignored.
  void forEach(int kind, MemberFn memberFn, MemberFnWithArg memberFnWithArg, PlainFn plainFn,
               PlainFnWithArg plainFnWithArg, OMWord arg);
  // The same walk with any callable taking the item.
  template <typename Function>
  void forEach(Function&& function);

  // Kind 0: member function; 1: member function with arg; 2: plain function with the item and
  // arg. Any other kind matches nothing.
  T* firstThat(int kind, MemberFn memberFn, MemberFnWithArg memberFnWithArg,
               PlainFnWithArg plainFnWithArg, OMWord arg) const;
  T* lastThat(int kind, MemberFn memberFn, MemberFnWithArg memberFnWithArg,
              PlainFnWithArg plainFnWithArg, OMWord arg) const;
  T* findFirst(PlainFnWithArg function, OMWord arg) const
  {
    return firstThat(2, nullptr, nullptr, function, arg);
  }
  template <typename Predicate>
  T* firstThat(Predicate&& predicate) const;
  template <typename Predicate>
  T* lastThat(Predicate&& predicate) const;

  // Emptying: the items are kept, destroyed through their destructor, or released.
  void removeAll()
  {
    empty([](T*) {});
  }
  void deleteAll(int destroy)
  {
    empty([destroy](T* item) {
      if (destroy) delete item;
    });
  }
  // For lists of plain records.
  void clear(int freeItems) { deleteAll(freeItems); }

  void assign(const OMList& other);

 private:
  friend class OMListLocator<T>;

  template <typename Release>
  void empty(Release&& release);
  void moveSavedCursors(const Element* from, Element* to);
  bool matches(int kind, T* item, MemberFn memberFn, MemberFnWithArg memberFnWithArg,
               PlainFnWithArg plainFnWithArg, OMWord arg) const;

  Ordering ordering_ = nullptr;
  Element* head_ = nullptr;
  Element* tail_ = nullptr;
  Element* savedCursors_[savedCursorCount] = {};
  int depth_ = -1;
  int count_ = 0;
  // Counts emptyings, so that a walk in progress notices its elements are gone.
  unsigned emptyings_ = 0;
};

#include "framework/OMListLocator.h"

template <typename T>
void OMList<T>::add(T* item)
{
  if (!item) return;
  if (count_ == 0) {
    addFirst(item);
    return;
  }
  if (!ordering_) {
    addTail(item);
    return;
  }
  OMListLocator<T> locator(*this);
  locator.toLast();
  for (; locator.currentElement(); locator.previous()) {
    if (ordering_(locator.current(), item)) {
      locator.insertAfter(item);
      return;
    }
  }
  addHead(item);
}

template <typename T>
void OMList<T>::insert(T* item)
{
  if (!item) return;
  if (count_ == 0) {
    addFirst(item);
    return;
  }
  if (!ordering_) {
    addHead(item);
    return;
  }
  OMListLocator<T> locator(*this);
  for (; locator.currentElement(); locator.next()) {
    if (!ordering_(locator.current(), item)) {
      locator.insertBefore(item);
      return;
    }
  }
  addTail(item);
}

template <typename T>
void OMList<T>::addFirst(T* item)
{
  Element* element = new Element{item, nullptr, nullptr};
  head_ = tail_ = element;
  count_ = 1;
}

template <typename T>
void OMList<T>::addTail(T* item)
{
  OM_ASSERT(tail_ != nullptr);
  Element* element = new Element{item, tail_, nullptr};
  tail_->next = element;
  tail_ = element;
  // A walk that has reached the end also visits what is appended during it.
  for (int depth = 0; depth <= depth_; ++depth) {
    if (!savedCursors_[depth]) savedCursors_[depth] = element;
  }
  ++count_;
}

template <typename T>
void OMList<T>::addHead(T* item)
{
  OM_ASSERT(head_ != nullptr);
  Element* element = new Element{item, nullptr, head_};
  head_->previous = element;
  head_ = element;
  ++count_;
}

template <typename T>
bool OMList<T>::contains(const T* item) const
{
  for (const Element* element = head_; element; element = element->next) {
    if (element->item == item) return true;
  }
  return false;
}

template <typename T>
T* OMList<T>::remove(T* item)
{
  OMListLocator<T> locator(*this);
  locator.seek(item);
  return locator.removeCurrent();
}

template <typename T>
template <typename Function>
void OMList<T>::forEach(Function&& function)
{
  if (count_ == 0) return;
  OM_ASSERT(depth_ + 1 < savedCursorCount);
  const int depth = ++depth_;
  const unsigned emptyings = emptyings_;
  for (Element* element = head_; element; element = savedCursors_[depth]) {
    savedCursors_[depth] = element->next;
    function(element->item);
    // Emptied during the call: the elements are freed and the depth is reset already.
    if (emptyings != emptyings_) return;
  }
  --depth_;
}

template <typename T>
void OMList<T>::forEach(int kind, MemberFn memberFn, MemberFnWithArg memberFnWithArg,
                        PlainFn plainFn, PlainFnWithArg plainFnWithArg, OMWord arg)
{
  forEach([&](T* item) {
    switch (kind) {
      case 0:
        if (memberFn) (item->*memberFn)();
        break;
      case 1:
        if (memberFnWithArg) (item->*memberFnWithArg)(arg);
        break;
      case 2:
        if (plainFn) plainFn(item);
        break;
      case 3:
        if (plainFnWithArg) plainFnWithArg(item, arg);
        break;
      default:
        break;
    }
  });
}

template <typename T>
bool OMList<T>::matches(int kind, T* item, MemberFn memberFn, MemberFnWithArg memberFnWithArg,
                        PlainFnWithArg plainFnWithArg, OMWord arg) const
{
  switch (kind) {
    case 0:
      return memberFn && (item->*memberFn)() != 0;
    case 1:
      return memberFnWithArg && (item->*memberFnWithArg)(arg) != 0;
    case 2:
      return plainFnWithArg && plainFnWithArg(item, arg) != 0;
    default:
      return false;
  }
}

template <typename T>
T* OMList<T>::firstThat(int kind, MemberFn memberFn, MemberFnWithArg memberFnWithArg,
                        PlainFnWithArg plainFnWithArg, OMWord arg) const
{
  return firstThat(
      [&](T* item) { return matches(kind, item, memberFn, memberFnWithArg, plainFnWithArg, arg); });
}

template <typename T>
T* OMList<T>::lastThat(int kind, MemberFn memberFn, MemberFnWithArg memberFnWithArg,
                       PlainFnWithArg plainFnWithArg, OMWord arg) const
{
  return lastThat(
      [&](T* item) { return matches(kind, item, memberFn, memberFnWithArg, plainFnWithArg, arg); });
}

template <typename T>
template <typename Predicate>
T* OMList<T>::firstThat(Predicate&& predicate) const
{
  for (Element* element = head_; element; element = element->next) {
    if (predicate(element->item)) return element->item;
  }
  return nullptr;
}

template <typename T>
template <typename Predicate>
T* OMList<T>::lastThat(Predicate&& predicate) const
{
  for (Element* element = tail_; element; element = element->previous) {
    if (predicate(element->item)) return element->item;
  }
  return nullptr;
}

template <typename T>
template <typename Release>
void OMList<T>::empty(Release&& release)
{
  if (count_ == 0) return;
  Element* element = head_;
  count_ = 0;
  head_ = tail_ = nullptr;
  depth_ = -1;
  for (Element*& cursor : savedCursors_)
    cursor = nullptr;
  ++emptyings_;
  while (element) {
    Element* next = element->next;
    if (element->item) release(element->item);
    delete element;
    element = next;
  }
}

template <typename T>
void OMList<T>::moveSavedCursors(const Element* from, Element* to)
{
  for (int depth = 0; depth <= depth_; ++depth) {
    if (savedCursors_[depth] == from) savedCursors_[depth] = to;
  }
}

template <typename T>
void OMList<T>::assign(const OMList& other)
{
  if (&other == this) return;
  removeAll();
  ordering_ = nullptr;
  for (const Element* element = other.head_; element; element = element->next) {
    add(element->item);
  }
  ordering_ = other.ordering_;
}
