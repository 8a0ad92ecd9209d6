// Data exchange for the selection controls: a drop-down list's selected index and the index of
// the checked radio button in a group.
#pragma once

#include "fw/DataExchange.h"

// The selected index of combo box id; -1 is no selection.
bool DDX_CBIndex(CDataExchange& dx, int id, int& index);
// The index of the checked button in the radio group that starts with firstId (the buttons
// that follow it up to the next WS_GROUP); -1 when none is checked.
bool DDX_Radio(CDataExchange& dx, int firstId, int& index);
