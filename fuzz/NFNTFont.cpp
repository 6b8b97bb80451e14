// A bitmap font as text reaches it: read, every glyph looked up, text measured and drawn. A
// glyph must lie inside the font's strike.
#include <string>

#include "framework/OMFileServices.h"
#include "framework/OMIStreamFile.h"
#include "framework/OMMemCanvas.h"
#include "framework/OMNFNTFont.h"
#include "fuzz/support/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
  const std::string path = omfuzz::writeInput("input.nfnt", data, size);
  {
    OMIStreamFile stream(path.c_str(), -1, nullptr);
    OMNFNTFont font(&stream);
    if (font.isValid()) {
      const int strikeWidth = font.field(OMNFNTFont::rowWords) * 16;
      std::string all;
      for (int c = 1; c < 256; ++c) {
        const OMNFNTFont::Glyph g = font.glyph(static_cast<unsigned char>(c));
        if (g.strikeWidth < 0 || (g.strikeWidth > 0 && g.strikeLeft + g.strikeWidth > strikeWidth))
          omfuzz::broken("a glyph lies outside the strike");
        all += char(c);
      }
      font.textWidth(all.c_str());
      font.textBounds(all.c_str());
      OMMemCanvas canvas(64, 32, 16, 0);
      canvas.setFont(&font);
      canvas.drawText(-3, 20, all.substr(30, 40).c_str());
      canvas.setFont(nullptr);
    }
  }
  terminateFileServices();
  return 0;
}
