#include <windows.h>

#include "model/Mbcs.h"

// The program keeps its names in CP932 whatever the system's code page, so CP932's lead bytes
// split them, on a Western system too.
void mbcs::UseSystemCodePage() {
    SetLeadBytes([](unsigned char c) { return IsDBCSLeadByteEx(932, c) != 0; });
    SetWindowsPaths(true);
}
