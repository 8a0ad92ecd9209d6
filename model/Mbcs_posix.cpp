#include "model/Mbcs.h"

// File names on Linux are UTF-8: no byte of a character can be taken for a separator. Only '/'
// separates; a backslash is part of a name.
void mbcs::UseSystemCodePage() {
    SetLeadBytes(nullptr);
    SetWindowsPaths(false);
}
