#pragma once

#include <memory>

class OMIStream;

// The page turn over the whole stage: the old picture curls away as a page (the animation of
// `page`), uncovering the new scene, towards the left (0) or the right (1). It runs at once
// for 50 ticks of 1/60 s, without the main loop; input given meanwhile is dropped.
void playPageCurl(int direction, std::unique_ptr<OMIStream> page);
