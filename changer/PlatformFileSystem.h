// The platform's file system lives with the model now, where the editor's panes reach it too.
#pragma once

#include "model/PlatformFileSystem.h"
