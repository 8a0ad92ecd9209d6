#include <windows.h>

#include "model/Mbcs.h"

// The ANSI code page's own lead bytes: CP932 on a Japanese system, none on a Western one.
void mbcs::UseSystemCodePage() {
    SetLeadBytes([](unsigned char c) { return IsDBCSLeadByte(c) != 0; });
    SetWindowsPaths(true);
}
