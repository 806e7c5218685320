#pragma once
// SPDX-License-Identifier: GPL-3.0-or-later
// The picture side of the engine window: the four picture buffers, the composition operations behind the
// picture commands, and the timer-driven transitions that carry a composed picture to the window.
//
// The window's picture is a 640x480 surface image owned here ("the window" of the transitions): frames draw
// into it and tell the host which area changed; the host's view only shows it. A system repaint of an area
// (expose, show, a child hidden over it) goes through RepaintSurface, which copies ScreenBuffer there first.

#include <QImage>
#include <QRect>
#include <cstdint>
#include <optional>
#include <string>

#include "screen/picture_cache.h"

namespace orbel::screen {

// What the picture side needs from the engine window.
class IScreenHost {
 public:
  virtual ~IScreenHost() = default;
  // Full path of a data file, or empty when there is none (the window's data-file lookup).
  virtual std::string FindDataFile(const std::string& name) = 0;
  // Posts one script step; called exactly once by every finished transition.
  virtual void PostStep() = 0;
  // A frame drew into the surface inside `area` (window coordinates); the view should show it.
  virtual void SurfaceChanged(const QRect& area) = 0;
};

// How PrepareStage fills the stage before a picture goes on it.
enum TStageMode : int32_t { smWall = 0, smBlack = 1, smWhite = 2, smScreen = 3 };
// The effect that carries the stage to the window; tkNone is the resting state between effects.
enum TTransitionKind : int32_t { tkNone = 0, tkBox = 1, tkDissolve = 2, tkSlide = 3, tkCut = 4 };

inline constexpr int kScreenWidth = 640;
inline constexpr int kScreenHeight = 480;

class TScreen {
 public:
  explicit TScreen(IScreenHost& host);

  // Creates PatternTile, ScreenBuffer (black), StageBuffer and SpareBuffer, in that order, and the surface.
  void CreateBuffers();
  // Frees the four buffers in creation order. Afterwards no operation below draws anything; the picture
  // commands still read their file (and raise for a broken one) and still set the effect.
  void ReleaseBuffers();
  bool HasBuffers() const { return !ScreenBuffer.isNull(); }

  // The wallpaper tile (converted to 24-bit colour here) and the 128x8 strip of dissolve cells
  // (MakeBrushImage's strip from construction on).
  void SetWall(const QImage& wall);
  void SetBrushImage(const QImage& brush);

  void PrepareStage(TStageMode mode);
  // Without a mode the picture goes over the stage as it is; without a kind the effect chosen before stays.
  void DispPicture(const std::string& fileName, std::optional<TStageMode> mode,
                   std::optional<TTransitionKind> kind);
  void TransPicture(const std::string& fileName, std::optional<TTransitionKind> kind);

  // One 50 ms frame of the running transition; nothing when none runs (TransitionKind not one of the
  // effects).
  void ETimerTimer();
  void FinishTransition();
  void CopyStageRect(uint16_t left, uint16_t top, uint16_t right, uint16_t bottom);

  // A system repaint of `area`: ScreenBuffer is copied into that part of the surface. SurfaceChanged is
  // reported only when this changed what the surface showed.
  void RepaintSurface(const QRect& area);
  const QImage& Surface() {
    Settle();
    return SurfaceImage;
  }

  // For frames nobody sees (a replay): while deferred, the box, dissolve and slide frames only note what they
  // draw, and an effect's end copies the stage into ScreenBuffer alone; the buffers and the surface take what
  // was noted in one pass when anything here reads or changes them, or when deferring ends. The pictures are
  // then exactly those of drawing every frame; the host is told of each frame's area as usual.
  void DeferFrames(bool defer);
  // Draws what deferred frames noted. Every operation here does so first; code that reads the public
  // buffers itself calls it.
  void Settle();

  // A transition is running (a frame will be drawn on the next tick).
  bool TransitionRunning() const { return TransitionKind >= tkBox && TransitionKind <= tkCut; }

  QImage PatternTile;
  QImage ScreenBuffer;
  QImage StageBuffer;
  QImage SpareBuffer;
  TTransitionKind TransitionKind = tkNone;
  int32_t TransitionStep = 0;

 private:
  void BoxFrame();
  void DissolveFrame();
  void SlideFrame();
  void DrawSlide(int from, int to);
  void CutFrame();
  // Ends an effect whose last frame shows the whole stage on the window.
  void FinishOnWindow();
  // CopyStageRect without telling the host; the caller reports the frame's whole area once.
  QRect CopyStageRectQuiet(int left, int top, int right, int bottom);
  // Settle for a change of the stage: the deferred frames read it, the window's copy of ScreenBuffer does
  // not.
  void SettleBeforeStageChanges();
  // The part of the window a stage rectangle covers; empty when the rectangle is.
  static QRect StageArea(int left, int top, int right, int bottom);

  IScreenHost& Host;
  TPictureCache Pictures;
  QImage SurfaceImage;
  QImage WallImage;
  QImage BrushCells;  // BrushIMG in the buffers' pixel format, the source of the PatternTile copies
  QImage KeepTile;    // the dissolve's first tile of a frame, kept while PatternTile holds its inverse

  // Deferred frames: at most one kind is pending at a time, after the end of an effect. A dissolve's frames
  // keep the old picture where every one of their tiles does, and show the stage through the last one's
  // inverse; the box's rectangles grow, so the last holds all the others; the slide's frames from one step up
  // to another are drawn as one.
  bool Deferring = false;
  bool DissolvePending = false;
  QImage PendingKeep;
  QImage PendingInverse;
  QRect PendingCopy;
  int PendingSlideFrom = -1, PendingSlideTo = -1;
  // The window shows ScreenBuffer, as an effect that ended left it; drawn before any of the kinds above.
  bool SurfaceShowsScreen = false;
};

}  // namespace orbel::screen
