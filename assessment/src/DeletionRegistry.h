#pragma once

#include "framework/OMLink.h"

// Watchers ask to be told when an object is deleted: the classes whose destructors report
// their deletion call objectDeleted, which calls every watcher's link with the object and
// forgets the object's watches. Objects and watchers are compared by identity.

// A watcher has at most one watch per object; a second call replaces its link (a clone is
// kept; null keeps none).
void watchObject(const void* object, const void* watcher, const OMLink* link);
void unwatchObject(const void* object, const void* watcher);
void objectDeleted(const void* object);

// The class-wide deletion hooks of the classes that report their deletion.
void installDeletionHooks();
// Forgets every watch and clears the hooks.
void removeDeletionHooks();

// How many objects are watched (a record stays, even empty, until its object goes).
int watchedObjectCount();
