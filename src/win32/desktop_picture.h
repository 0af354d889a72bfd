// The picture of the desktop that a composited run shows under its leaves, taken at start-up
// before the saver's window shows.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "surfaces/back_buffer.h"

namespace ambervale {

enum class DesktopPictureSource { kCapture, kWallpaper, kDesktopColour };

// Fills the buffer's background with the screen area it covers (its origin and size, in
// screen coordinates): the screen as it shows now (BitBlt SRCCOPY | CAPTUREBLT); when that
// comes back of one colour (the saver runs on a desktop of its own) or `capture_blank` says
// to act as if it had, the user's wallpaper filled to every monitor; without a wallpaper
// that can be read, the desktop colour. Returns which it used.
DesktopPictureSource TakeDesktopPicture(BackBuffer& buffer, bool capture_blank);

// The steps on their own. Each returns false and leaves the background as it was when it
// cannot deliver.
bool CaptureScreenArea(BackBuffer& buffer);
// Draws the picture file over every monitor's part of the background (GDI+ decodes it).
bool DrawWallpaper(BackBuffer& buffer, const std::wstring& path);
// The user's wallpaper file (SPI_GETDESKWALLPAPER); empty when there is none.
std::wstring WallpaperPath();
// The primary screen as it shows now, shrunk (or stretched) to width x height at once
// (HALFTONE), 0x00RRGGBB top row first: a preview's picture without a screen-sized copy. Empty
// when the screen cannot be read.
std::vector<uint32_t> ScaledScreenPicture(int32_t width, int32_t height);
// GetSysColor(COLOR_DESKTOP) as 0x00RRGGBB.
uint32_t DesktopColour();

}  // namespace ambervale
