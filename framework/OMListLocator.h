#pragma once

#include "framework/OMList.h"

// A cursor over an OMList: a plain value of {current element, list}. A null current element
// means the locator is at the end.
template <typename T>
class OMListLocator {
 public:
  using Element = OMListElement<T>;

  OMListLocator() = default;
  explicit OMListLocator(OMList<T>& list) : element_(list.head_), list_(&list) {}

  void assign(const OMListLocator& other)
  {
    if (&other == this) return;
    element_ = other.element_;
    list_ = other.list_;
  }

  void toFirst() { element_ = list_ ? list_->head_ : nullptr; }
  void toLast() { element_ = list_ ? list_->tail_ : nullptr; }
  void next()
  {
    if (element_) element_ = element_->next;
  }
  void previous()
  {
    if (element_) element_ = element_->previous;
  }
  void advance(int steps)
  {
    for (int i = 0; i < steps; ++i)
      next();
  }
  T* current() const { return element_ ? element_->item : nullptr; }
  Element* currentElement() const { return element_; }
  OMListLocator postIncrement()
  {
    OMListLocator before = *this;
    next();
    return before;
  }
  OMListLocator operator++(int) { return postIncrement(); }

  // To the head, then forward to the first element that holds this very item, or the end.
  void seek(const T* item)
  {
    toFirst();
    while (element_ && element_->item != item)
      element_ = element_->next;
  }

  // Unlinks the current element and moves on to the next one; returns the removed item.
  T* removeCurrent();

  void insertAfter(T* item);
  void insertBefore(T* item);
  void linkAfter(T* item);

 private:
  Element* element_ = nullptr;
  OMList<T>* list_ = nullptr;
};

template <typename T>
T* OMListLocator<T>::removeCurrent()
{
  if (!element_) return nullptr;
  Element* removed = element_;
  if (removed->next)
    removed->next->previous = removed->previous;
  else
    list_->tail_ = removed->previous;
  if (removed->previous)
    removed->previous->next = removed->next;
  else
    list_->head_ = removed->next;
  --list_->count_;
  // A walk that was to visit the removed element visits its successor instead.
  list_->moveSavedCursors(removed, removed->next);
  element_ = removed->next;
  T* item = removed->item;
  delete removed;
  return item;
}

template <typename T>
void OMListLocator<T>::insertAfter(T* item)
{
  if (!item || !element_) return;
  if (element_ == list_->tail_) {
    list_->addTail(item);
    element_ = list_->tail_;
    return;
  }
  linkAfter(item);
}

template <typename T>
void OMListLocator<T>::insertBefore(T* item)
{
  if (!item || !element_) return;
  if (element_->previous) {
    element_ = element_->previous;
    linkAfter(item);
    return;
  }
  list_->addHead(item);
  element_ = list_->head_;
}

template <typename T>
void OMListLocator<T>::linkAfter(T* item)
{
  if (!item || !element_) return;
  Element* following = element_->next;
  Element* element = new Element{item, element_, following};
  element_->next = element;
  if (following)
    following->previous = element;
  else
    list_->tail_ = element;
  // A walk that was to visit the following element visits the new one first.
  list_->moveSavedCursors(following, element);
  element_ = element;
  ++list_->count_;
}
