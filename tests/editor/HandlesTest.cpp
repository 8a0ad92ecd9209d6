// The owners free what they hold on every path, and our COM objects answer for their
// interfaces and go at the last release.
#include <windows.h>
// (the headers below need the definitions of windows.h)
#include <gtest/gtest.h>
#include <oleidl.h>

#include <stdexcept>

#include "win/Handles.h"

namespace {

bool IsOpenHandle(HANDLE handle) {
    DWORD flags = 0;
    return GetHandleInformation(handle, &flags) != FALSE;
}

}  // namespace

TEST(Handles, OwnersCloseOnEveryPathAndHandOverOnMove) {
    HANDLE raw = nullptr;
    try {
        CUniqueKernelHandle event(CreateEventW(nullptr, TRUE, FALSE, nullptr));
        raw = event.Get();
        ASSERT_TRUE(IsOpenHandle(raw));
        throw std::runtime_error("leaving early");
    } catch (const std::runtime_error&) {
    }
    EXPECT_FALSE(IsOpenHandle(raw));

    CUniqueKernelHandle first(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    raw = first.Get();
    CUniqueKernelHandle second(std::move(first));
    EXPECT_FALSE(first);
    EXPECT_EQ(second.Get(), raw);
    second = CUniqueKernelHandle();
    EXPECT_FALSE(IsOpenHandle(raw));

    // Out-parameters: what was held goes first.
    CUniqueKey key;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, L"Software", 0, KEY_READ, key.Put()), ERROR_SUCCESS);
    EXPECT_TRUE(key);
    // A failed find leaves its owner empty (INVALID_HANDLE_VALUE), and nothing is closed.
    WIN32_FIND_DATAW data;
    CUniqueFind find(FindFirstFileW(L"C:\\no such folder\\*", &data));
    EXPECT_FALSE(find);
}

TEST(Handles, SelectObjectPutsThePreviousObjectBack) {
    CClientDC screen(nullptr);
    CMemoryDC dc(screen);
    CUniqueFont font(
        CreateFontW(20, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Arial"));
    HGDIOBJ before = GetCurrentObject(dc, OBJ_FONT);
    {
        CSelectObject select(dc, font.Get());
        EXPECT_EQ(GetCurrentObject(dc, OBJ_FONT), font.Get());
    }
    EXPECT_EQ(GetCurrentObject(dc, OBJ_FONT), before);
}

namespace {

class DropSource : public CUnknown<IDropSource> {
  public:
    explicit DropSource(bool& deleted) : m_deleted(deleted) {}
    STDMETHODIMP QueryContinueDrag(BOOL, DWORD) override { return S_OK; }
    STDMETHODIMP GiveFeedback(DWORD) override { return DRAGDROP_S_USEDEFAULTCURSORS; }

  protected:
    ~DropSource() override { m_deleted = true; }

  private:
    bool& m_deleted;
};

}  // namespace

TEST(Handles, OurComObjectsAnswerForTheirInterfacesAndGoAtTheLastRelease) {
    bool deleted = false;
    {
        ComPtr<IDropSource> source(new DropSource(deleted));
        ComPtr<IUnknown> unknown;
        EXPECT_EQ(source.As(&unknown), S_OK);
        EXPECT_EQ(unknown.Get(), static_cast<IUnknown*>(source.Get()));
        ComPtr<IDropTarget> target;
        EXPECT_EQ(source.As(&target), E_NOINTERFACE);
        EXPECT_EQ(target.Get(), nullptr);
        ComPtr<IDropSource> again;
        EXPECT_EQ(unknown.As(&again), S_OK);
        EXPECT_EQ(again.Get(), source.Get());
        EXPECT_FALSE(deleted);
    }
    EXPECT_TRUE(deleted);
}
