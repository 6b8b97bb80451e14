#include "trinkets/src/OMStreamBytes.h"

#include "framework/OMIStream.h"
#include "framework/OMIStreamDLL16.h"
#include "framework/OMResHandle.h"

bool readStreamBytes(OMIStream& stream, std::vector<std::uint8_t>& bytes)
{
  bytes.clear();
  stream.setPosition(0);
  // A stream reports its size up front; more than that is never taken.
  for (;;) {
    const std::int32_t length = stream.load(0);
    if (length <= 0 || stream.data() == nullptr) break;
    bytes.insert(bytes.end(), stream.data(), stream.data() + length);
    if (stream.nextOffset() >= stream.size() || bytes.size() >= std::size_t(stream.size())) break;
  }
  return !bytes.empty();
}

bool readResourceBytes(OMResHandle& handle, std::vector<std::uint8_t>& bytes)
{
  bytes.clear();
  const void* data = nullptr;
  handle.lock(&data);
  if (data != nullptr) {
    const auto* first = static_cast<const std::uint8_t*>(data);
    bytes.assign(first, first + handle.size());
  }
  handle.unlock();
  return data != nullptr && !bytes.empty();
}

int streamResourceId(const OMIStream& stream)
{
  return stream.is(OMIStreamDLL16::classDescriptor)
             ? static_cast<const OMIStreamDLL16&>(stream).resourceId()
             : -1;
}
