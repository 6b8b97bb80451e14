#pragma once

#include <memory>

#include "framework/OMWord.h"

class OMIStream;

// The scripts' whole-screen functions on the stage: showing, freezing and blackening it, scene
// backgrounds, the movie's palette, the page turn, and the bracket around a scene change.
namespace scriptfn {

// "DisplayScreen", "FreezeScreen", "GoToBlack".
OMWord displayScreen(OMWord unused);
OMWord freezeScreen(OMWord unused);
OMWord goToBlack(OMWord unused);
// "Scene" background [palette]: without a palette id the background's id serves.
OMWord scene(OMWord unused);
// "RestorePalette": the open movie's palette goes back on the stage.
OMWord restorePalette(OMWord unused);
// "StartTransition": the wait cursor, no mouse input for the trinkets, music and timers
// paused, the window black, the data file saved and the played sounds gone.
OMWord startTransition(OMWord unused);
// "EndTransition" [skip redraw]: the new screen, music and timers again, and the pointer.
OMWord endTransition(OMWord unused);
// "PageTurn" direction: "left" exactly turns to the left, anything else to the right. The
// cursor is shown afterwards.
OMWord pageTurn(OMWord unused);
// "PrintScreen": the stage's picture on the default printer, landscape; a failure shows the
// printing message and the script goes on.
OMWord printScreen(OMWord unused);

}  // namespace scriptfn

// The animation of the turning page.
constexpr int pageCurlAnimationId = 1082;
// Plays the page turn synchronously over the stage: direction 0 left, 1 right; the stream is
// the page's animation. Nothing turns the page until one is installed.
using PageCurlPlayer = void (*)(int direction, std::unique_ptr<OMIStream> page);
void setPageCurlPlayer(PageCurlPlayer player);
