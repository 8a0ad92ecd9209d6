// The name the shell shows for a file: Windows asks the shell; elsewhere it is the last
// component of the path.
#pragma once

#include "changer/ChangerSeams.h"

class CPlatformDisplayName : public IDisplayName {
  public:
    std::string GetDisplayName(const std::string& path) const override;
};
