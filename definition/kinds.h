// The three component kinds this program's windows are made of: their own
// properties (from index 8) with defaults, and their events.
#pragma once

#include "definition/definition.h"

namespace corvelin::def {

extern const KindDef kWindowKind;         // 窗口
extern const KindDef kCartoonBoxKind;     // 动画框, the animation canvas
extern const KindDef kCartoonObjectKind;  // 动画物体, a sprite template

// Own properties of the window kind.
namespace window_prop {
inline constexpr int32_t kCaption = 8, kBorderStyle = 9, kBackColour = 10, kBackPicture = 11,
                         kPictureMode = 12, kMusic = 13, kMusicMode = 14, kControlBox = 15,
                         kMaxButton = 16, kMinButton = 17, kStartPosition = 18, kMovable = 19,
                         kIcon = 20, kEnterMovesFocus = 21, kEscCloses = 22, kF1Help = 23,
                         kHelpFile = 24, kHelpContext = 25, kShowInTaskbar = 26, kDragAnywhere = 27,
                         kShape = 28, kTopmost = 29, kKeepTitleActive = 30, kClassName = 31;
}  // namespace window_prop

// Window events.
namespace window_event {
inline constexpr int32_t kCreated = 0, kCloseQuery = 1, kDestroyed = 2, kMoved = 3, kResized = 4,
                         kQueryClose = 12;
}  // namespace window_event

// Own properties of the animation canvas.
namespace box_prop {
inline constexpr int32_t kBorder = 8, kBackColor = 9, kPic = 10, kPicDrawMode = 11, kPenStyle = 12,
                         kDrawRop2 = 13, kPenWidth = 14, kPenColor = 15, kBrushStyle = 16,
                         kBrushColor = 17, kTextColor = 18, kTextBackColor = 19, kFont = 20;
}  // namespace box_prop

// Events of the animation canvas.
namespace box_event {
inline constexpr int32_t kLeftDown = 0, kRightDown = 1, kLeftUp = 2, kRightUp = 3, kDoubleClick = 4,
                         kEnter = 5, kLeave = 6, kMouseMove = 7, kPositionChanging = 8,
                         kPositionChanged = 9, kWillDestroy = 10, kCollided = 11, kHitEdge = 12,
                         kOutOfBounds = 13, kAdvanceStopped = 14, kRotateStopped = 15,
                         kAnimationDone = 16, kWatchedKey = 17;
}  // namespace box_event

// Own properties of a sprite template.
namespace object_prop {
inline constexpr int32_t kText = 8, kFont = 9, kTextColor = 10, kPicture = 11,
                         kAutoGetTransColor = 12, kTransparentColor = 13, kPlayGIF = 14,
                         kGIFDelay = 15, kGIFAutoDestroy = 16, kTrendColor = 17, kTrendDepth = 18,
                         kLight = 19, kAlpha = 20, kZoom = 21, kLayer = 22, kAngle = 23,
                         kRotateFollow = 24, kTurnType = 25, kExistTime = 26, kCreateSound = 27,
                         kDestroySound = 28, kCollideAllowed = 29, kCollidedSound = 30, kType = 31;
}  // namespace object_prop

}  // namespace corvelin::def
