#pragma once

// The fixed sizes of the window system's parts, those of the classic desktop.
namespace omuser::metrics {

constexpr int kBorder = 1;
constexpr int kDialogFrame = 3;
constexpr int kSizingFrame = 4;
constexpr int kCaption = 19;
constexpr int kMenuBar = 19;
constexpr int kCaptionButton = 18;
constexpr int kMinimizedWidth = 160;
constexpr int kMinimizedHeight = 24;
constexpr int kIcon = 32;
constexpr int kSmallIcon = 16;
constexpr int kCursor = 32;
constexpr int kDoubleClickArea = 4;
constexpr unsigned kDoubleClickTime = 500;
constexpr int kMinimumTrackWidth = 112;
constexpr int kMinimumTrackHeight = 27;

}  // namespace omuser::metrics
