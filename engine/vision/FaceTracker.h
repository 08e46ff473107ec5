// Finds the user's face in the composed frame and follows it from frame to frame, so that
// face-attached effects sit on it, scaled to its size and turned with its roll.
//
// A search runs on a small equalised copy of the frame (246 x 185) with a Haar face cascade,
// then looks for each eye with an eye cascade in its region of the face (124 x 122 copies;
// the right region mirrored, so that one cascade serves both). Seven points are then
// followed by pyramidal Lucas-Kanade optical flow: one of the face and three on each eye's
// centre line. Tracking is lost when a point is lost or an eye's three points spread
// implausibly; the next frame searches again. The pose is the midpoint of the eye centres,
// their distance and the roll angle of the line from the right eye to the left one
// (+-180 degrees for a level face; rows count downwards).
//
// Among the face search's raw candidates the largest is taken; among an eye search's the
// one most candidates agree on (their mean rectangle).
//
// Runs on the compositor's thread inside its mutex. Nothing thrown by the picture library
// leaves ProcessFrame: such a frame has no face.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "engine/elements/FrameContext.h"

class CFaceTracker {
 public:
  static constexpr int kSmallWidth = 246;
  static constexpr int kSmallHeight = 185;
  static constexpr int kEyeWidth = 124;
  static constexpr int kEyeHeight = 122;
  static constexpr const char* kFaceCascadeFile = "res\\haarcascade_frontalface_alt.xml";
  static constexpr const char* kEyeCascadeFile = "res\\eye_8.xml";

  CFaceTracker();
  ~CFaceTracker();
  CFaceTracker(const CFaceTracker&) = delete;
  CFaceTracker& operator=(const CFaceTracker&) = delete;

  // Loads both cascades from the program folder. S_OK when both loaded, else E_FAIL; a
  // tracker without cascades finds no face.
  HRESULT Init();
  // The same from another folder (ending with "\").
  HRESULT Init(const std::string& folder);

  // Follows or searches the face in the context's output picture (24-bit) and writes the
  // face fields: face found, and when found the face centre (from the top left), the eye
  // distance as size and the roll angle. Without a face only "face found" is written.
  // 0 when a face is known, 1 when not.
  int ProcessFrame(CFrameContext* context);

  // Forgets the face: the next frame searches again.
  void Reset();

  // What the last frame found, in frame pixels counted from the top left.
  bool IsTracking() const;
  RECT GetFaceRect() const;
  RECT GetEyeRect(int eye) const;  // eye 1 (left on the picture) or 2
  double GetFaceX() const;
  double GetFaceY() const;
  double GetEyeDistance() const;
  double GetAngle() const;

 private:
  struct State;
  int Detect();
  int TrackEyes();
  void ComputePose();

  std::unique_ptr<State> m_state;
};
