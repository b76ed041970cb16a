#pragma once
// The opening scene's hand-drawn animation: 24 pictures loaded once from the store.

class Bitmap;

constexpr int ANIMATION_FRAME_COUNT = 24;

// Slot k holds the picture "data\kelmo\<k+1>.pcx" (320x180 in the program's store), or an
// empty 0x0 bitmap when that file could not be loaded. All null before
// loadAnimationFrames(); the bitmaps are owned by the table.
extern Bitmap* animationFrames[ANIMATION_FRAME_COUNT];

// For k = 0..23 in order: creates an empty Bitmap in slot k and loads its picture into it,
// ignoring the result (each load traces its work). A second call replaces (and deletes)
// the earlier bitmaps. Main thread, start-up.
void loadAnimationFrames();
