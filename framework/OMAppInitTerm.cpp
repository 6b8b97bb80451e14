#include "framework/OMAppInitTerm.h"

OMAppInitTerm::OMAppInitTerm(Function init, Function term) : init_(init), term_(term)
{
  modules().add(this);
}

OMList<OMAppInitTerm>& OMAppInitTerm::modules()
{
  // Never destroyed: entries of other units may still be reached while statics go away.
  static OMList<OMAppInitTerm>& list = *new OMList<OMAppInitTerm>;
  return list;
}

void OMAppInitTerm::runInits()
{
  modules().forEach([](OMAppInitTerm* entry) {
    if (entry->init_) entry->init_();
  });
}

void OMAppInitTerm::runTerms()
{
  modules().forEach([](OMAppInitTerm* entry) {
    if (entry->term_) entry->term_();
  });
}
