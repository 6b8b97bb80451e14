#pragma once

#include <functional>
#include <memory>

class OMIStream;

// The page turn over the whole stage: the old picture curls away as a page (the animation of
// `page`), uncovering the new scene, towards the left (0) or the right (1). It runs at once
// for 50 ticks of 1/60 s, without the main loop; input given meanwhile is dropped.
void playPageCurl(int direction, std::unique_ptr<OMIStream> page);
// The same, calling `stepShown` with the step's number (from 0) each time a step has reached
// the window, for whoever watches the effect.
void playPageCurl(int direction, std::unique_ptr<OMIStream> page,
                  const std::function<void(int step)>& stepShown);
