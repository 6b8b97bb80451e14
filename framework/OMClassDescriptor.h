#pragma once

// What a polymorphic framework object tells of its class: its name.
struct OMClassDescriptor {
  const char* className;
};
