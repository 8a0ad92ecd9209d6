// The history dialog's preview: a static control that shows one picture stretched over its
// whole client area, or only its background when it holds none. The picture is decoded at the
// control's size on a worker thread, with the file open to others meanwhile, so that a large
// or slow picture never holds up the dialog.
#pragma once

#include <memory>
#include <string>

#include "changer/LoadedPicture_win.h"
#include "fw/Ids.h"
#include "fw/Wnd.h"
#include "fw/Worker.h"

struct DecodedImage;

class CPicturePreview : public CWnd {
  public:
    CPicturePreview();
    ~CPicturePreview() override;

    // Shows path: the preview is empty at once and shows the picture when it is decoded (a
    // page, a damaged file or no file at all leave it empty).
    void ShowPicture(const std::string& path);
    // A picture asked for has not arrived yet.
    bool IsLoading() const { return m_decoding || !m_wanted.empty(); }
    const CLoadedPicture& Picture() const { return m_picture; }
    void Paint(HDC dc) const;

    static constexpr UINT kDecodedMessage = WM_FW_PROGRAM_FIRST + 0x58;

  protected:
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    bool OnPaint() override;
    bool OnPrintClient(HDC dc) override;
    bool OnEraseBkgnd(HDC) override { return true; }  // the paint covers the whole client area

  private:
    void StartDecode();
    void OnDecoded(std::unique_ptr<DecodedImage> image);

    CLoadedPicture m_picture;
    CWorker m_worker{*this};
    std::string m_wanted;      // the path to decode next (empty: none)
    bool m_decoding = false;   // a decode runs, or its result is on its way
    std::string m_showing;     // the path the picture is wanted for
};
