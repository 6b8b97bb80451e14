#pragma once

#include <cstdint>
#include <vector>

class OMIStream;
class OMResHandle;

// The whole content of a stream, read from its start. False when it hands out nothing.
bool readStreamBytes(OMIStream& stream, std::vector<std::uint8_t>& bytes);
// A copy of a resource's bytes: locked for the copy, then unlocked. False when it cannot lock.
// The resource id of a stream over a resource file's resource; -1 for any other stream.
int streamResourceId(const OMIStream& stream);
bool readResourceBytes(OMResHandle& handle, std::vector<std::uint8_t>& bytes);
