// One picture decoded for drawing: a device-independent bitmap made from the pixels a decoder
// thread produced (views/ImageDecoder.h), drawn stretched over a rectangle.
#pragma once

#include <windows.h>

#include "win/Handles.h"

struct DecodedImage;

class CLoadedPicture {
  public:
    // Replaces the picture held by image (null, or one that failed: none). False when none is
    // held afterwards.
    bool SetImage(const DecodedImage* image);
    bool HasPicture() const { return static_cast<bool>(m_bitmap); }
    void Clear();
    // The picture's size in pixels (0 x 0 without one).
    SIZE GetPixelSize() const { return m_size; }
    // Draws the whole picture stretched over the rectangle, without keeping its proportions.
    void Draw(HDC dc, int x, int y, int width, int height) const;

  private:
    CUniqueBitmap m_bitmap;
    SIZE m_size{0, 0};
};
