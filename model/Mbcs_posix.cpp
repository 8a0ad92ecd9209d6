#include "model/Mbcs.h"

// File names on Linux are UTF-8: no byte of a character can be taken for a separator.
void mbcs::UseSystemCodePage() {
    SetLeadBytes(nullptr);
}
