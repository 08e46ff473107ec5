// The compositor benchmark's scene, which the engine tests also compose to pin its frame:
// a solid colour main source under effects that each cover the whole frame, in turn
//   - a frame picture of the output size: opaque border, a band fading out, clear middle
//     (drawn 1:1),
//   - a text, stretched over the frame (bilinear, mostly transparent),
//   - a sheet of soft-edged stickers on a clear ground, three quarters of the output size,
//     stretched over the frame (bilinear),
//   - a colour under a brightness key or additive mixing (1:1, every pixel mixed).
// The veil, measured apart, is the hardest single effect: a picture that is half
// transparent everywhere, stretched over the frame (every pixel interpolated and mixed).
#pragma once

#include <string>

class CEffectCompositor;

// A new folder for the scene's pictures in the temporary folder ("" when it cannot be
// made), and its removal with every picture in it.
std::string MakeSceneFolder();
void RemoveSceneFolder(const std::string& folder);

// Writes the scene's pictures for that output size into `folder` (which must exist) and
// gives the compositor, already sized and initialised, the main source and `effects`
// effects. False when a picture cannot be written or an effect cannot be made.
bool BuildCompositorScene(CEffectCompositor& compositor, int width, int height, int effects,
                          const std::string& folder);

// Adds the veil to a compositor (built as above) of that output size.
bool AddCompositorVeil(CEffectCompositor& compositor, int width, int height,
                       const std::string& folder);
