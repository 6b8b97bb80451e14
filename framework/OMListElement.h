#pragma once

// One element of an OMList: the list allocates one per insertion and frees it when the item
// leaves the list.
template <typename T>
struct OMListElement {
  T* item = nullptr;
  OMListElement* previous = nullptr;
  OMListElement* next = nullptr;
};
