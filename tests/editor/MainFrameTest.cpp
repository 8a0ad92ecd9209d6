#include <windows.h>

#include <commctrl.h>

#include "EditorFixture.h"
#include "app/Settings.h"
#include "doc/PelorandDoc.h"
#include "ui/MainFrame.h"
#include "views/PelorandListView.h"

TEST_F(EditorTest, FirstStartLaysOutThePanesFromTheDefaults) {
    ASSERT_TRUE(OpenEditor());
    CMainFrame* frame = Frame();
    ASSERT_NE(frame, nullptr);
}
