// The settings' font record and the system's logical font, field for field.
#pragma once

#include <windows.h>

#include "model/Settings.h"

FontRecord ToFontRecord(const LOGFONTW& lf);
// The face name is cut to what the record allows (31 bytes, never half a character).
LOGFONTW ToLogFont(const FontRecord& f);
