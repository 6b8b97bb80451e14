#include "fuzz/support/SurfaceSweep.h"

namespace {

constexpr std::uint32_t clickInterval = 150;

}  // namespace

SurfaceSweep::SurfaceSweep(int part, const std::uint8_t* data, std::size_t size,
                           const ScriptSurface& surface, const SurfaceScript::Content& content)
    : bytes_(data, size), words_(bytes_, surface, content.words)
{
  if (!content.points.empty()) point_ = content.points.front();
  for (std::uint32_t at = clickInterval; at < content.length; at += clickInterval)
    input_ += "at " + std::to_string(content.start + at) + " click " +
              std::to_string(point_[0] + 4) + " " + std::to_string(point_[1] + 4) + "\n";
  for (std::size_t i = static_cast<std::size_t>(part); i < surface.classes().size(); i += parts)
    sweepClass(surface.classes()[i]);
  text_ += "yield off\r";
  for (std::size_t i = static_cast<std::size_t>(part); i < surface.functions().size(); i += parts)
    sweepFunction(surface.functions()[i]);
  text_ += "wait\rprocedure p0\r[\r  say event RECEIVER\r  drop RECEIVER\r]\r";
}

void SurfaceSweep::sweepClass(const ScriptSurface::ClassSurface& surface)
{
  // Made and gone through at once; then a few passes of the stage, its frames and events.
  text_ +=
      "yield off\ro0=" + surface.name + words_.creationArguments(surface, &point_, 0, 4) + "\r";
  for (const std::string& event : surface.events)
    text_ += "set o0 " + event + " p0\r";
  for (const std::string& property : surface.properties) {
    text_ += "set o0 " + property + " " + words_.argument() + "\r";
    text_ += "get o0 " + property + " t0\r";
  }
  for (const std::string& method : surface.methods)
    text_ += "play o0 " + method + words_.arguments(3) + "\r";
  text_ += "yield on\rpause 0.1\rdrop o0\r";
}

void SurfaceSweep::sweepFunction(const std::string& name)
{
  text_ += name + words_.arguments(4) + "\r";
}
