#include "changer/PicturePreview_win.h"

#include <algorithm>

#include "views/ImageDecoder.h"

CPicturePreview::CPicturePreview() = default;
CPicturePreview::~CPicturePreview() = default;

void CPicturePreview::ShowPicture(const std::string& path) {
    m_picture.Clear();
    m_showing = path;
    m_wanted = path;
    // One decode at a time, never waited for here: a newer choice waits for the running one
    // to end by itself.
    if (!m_decoding) StartDecode();
    if (m_hWnd) RedrawNow();
}

void CPicturePreview::StartDecode() {
    if (m_wanted.empty() || !m_hWnd) return;
    const RECT client = GetClientRect();
    DecodeRequest request{m_wanted, std::max<LONG>(1, client.right), std::max<LONG>(1, client.bottom)};
    m_wanted.clear();
    // The last decode has handed over its result: its thread is ending, if not gone.
    m_decoding = m_worker.Start([request](CWorkerJob& worker) {
        auto image = std::make_unique<DecodedImage>();
        try {
            DecodeImageFile(request, *image);
        } catch (const std::bad_alloc&) {
            image->pixels.clear();
            image->ok = false;
        }
        worker.Post(kDecodedMessage, std::move(image));
    });
}

void CPicturePreview::OnDecoded(std::unique_ptr<DecodedImage> image) {
    if (!image) return;  // dropped by a newer decode, whose own result follows
    m_decoding = false;
    if (image->request.path == m_showing && m_wanted.empty()) {
        m_picture.SetImage(image.get());
        RedrawNow();
    }
    if (!m_wanted.empty()) StartDecode();
}

void CPicturePreview::Paint(HDC dc) const {
    const RECT client = GetClientRect();
    FillRect(dc, &client, GetSysColorBrush(COLOR_3DFACE));
    m_picture.Draw(dc, 0, 0, client.right, client.bottom);
}

LRESULT CPicturePreview::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg != kDecodedMessage) return CWnd::WndProc(msg, wParam, lParam);
    OnDecoded(m_worker.Take<DecodedImage>(wParam));
    return 0;
}

bool CPicturePreview::OnPaint() {
    CPaintDC dc(m_hWnd);
    Paint(dc);
    return true;
}

bool CPicturePreview::OnPrintClient(HDC dc) {
    Paint(dc);
    return true;
}
