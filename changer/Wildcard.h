// The wildcard rules live with the model now, beside the platform's file system.
#pragma once

#include "model/Wildcard.h"
