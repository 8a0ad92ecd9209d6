// One picture loaded from a file through the system's picture loader (BMP, JPEG, GIF, icons
// and metafiles); anything else, an HTML page for one, leaves no picture.
#pragma once

#include <windows.h>
// (the headers below need the definitions of windows.h)
#include <ocidl.h>
#include <olectl.h>

#include <string>

#include "fw/Handles.h"

class CLoadedPicture {
  public:
    // Replaces the picture held by the one in the file at path. False, and no picture held,
    // when the file cannot be read or is no picture the loader knows.
    bool Load(const std::string& path);
    bool HasPicture() const { return m_pPicture != nullptr; }
    void Release() { m_pPicture.Reset(); }
    // The picture's size in pixels of dc.
    SIZE GetPixelSize(HDC dc) const;
    // Draws the whole picture stretched over the rectangle, without keeping its proportions.
    void Draw(HDC dc, int x, int y, int width, int height) const;

  private:
    SIZE GetHimetricSize() const;

    ComPtr<IPicture> m_pPicture;
};
