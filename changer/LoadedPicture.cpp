#include "changer/LoadedPicture.h"

#include <cstring>

bool CLoadedPicture::Load(const std::string& path) {
    m_pPicture.Reset();
    // Not shared: the file must not change while it is read.
    CUniqueFile file(CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.Get(), &size) || size.QuadPart <= 0 || size.QuadPart > 0x7FFFFFFF) {
        return false;
    }
    const DWORD bytes = static_cast<DWORD>(size.QuadPart);
    CUniqueGlobal memory(GlobalAlloc(GMEM_MOVEABLE, bytes));
    if (!memory) return false;
    {
        CGlobalLock lock(memory.Get());
        DWORD read = 0;
        if (!lock.Data() || !ReadFile(file.Get(), lock.Data(), bytes, &read, nullptr) ||
            read != bytes) {
            return false;
        }
    }
    ComPtr<IStream> stream;
    // The stream frees the memory when it is released.
    if (FAILED(CreateStreamOnHGlobal(memory.Get(), TRUE, &stream))) return false;
    memory.Detach();
    ComPtr<IPicture> picture;
    if (FAILED(OleLoadPicture(stream.Get(), static_cast<LONG>(bytes), FALSE, IID_IPicture,
                              reinterpret_cast<void**>(picture.GetAddressOf()))) ||
        !picture) {
        return false;
    }
    m_pPicture = picture;
    return true;
}

SIZE CLoadedPicture::GetHimetricSize() const {
    SIZE size{};
    if (!m_pPicture) return size;
    OLE_XSIZE_HIMETRIC width = 0;
    OLE_YSIZE_HIMETRIC height = 0;
    m_pPicture->get_Width(&width);
    m_pPicture->get_Height(&height);
    size.cx = width;
    size.cy = height;
    return size;
}

SIZE CLoadedPicture::GetPixelSize(HDC dc) const {
    const SIZE himetric = GetHimetricSize();
    // 2540 HIMETRIC units to the inch.
    return SIZE{MulDiv(himetric.cx, GetDeviceCaps(dc, LOGPIXELSX), 2540),
                MulDiv(himetric.cy, GetDeviceCaps(dc, LOGPIXELSY), 2540)};
}

void CLoadedPicture::Draw(HDC dc, int x, int y, int width, int height) const {
    if (!m_pPicture) return;
    const SIZE himetric = GetHimetricSize();
    // Shrinking without halftoning turns a large photograph black.
    const int oldMode = SetStretchBltMode(dc, HALFTONE);
    POINT oldOrigin{};
    SetBrushOrgEx(dc, 0, 0, &oldOrigin);
    // The source runs from the bottom edge upwards, as the picture's own coordinates do.
    m_pPicture->Render(dc, x, y, width, height, 0, himetric.cy, himetric.cx, -himetric.cy, nullptr);
    SetBrushOrgEx(dc, oldOrigin.x, oldOrigin.y, nullptr);
    SetStretchBltMode(dc, oldMode);
}
