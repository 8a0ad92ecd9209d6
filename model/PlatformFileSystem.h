// The file system the running program sees: Windows' attributes and find-first/find-next, or
// on other systems stat and readdir with the Windows wildcard rules.
#pragma once

#include "model/FileSystem.h"

class CPlatformFileSystem : public IFileSystem {
  public:
    PathAttributes GetAttributes(const std::string& path) const override;
    void Enumerate(const std::string& dir, const std::string& pattern,
                   const std::function<bool(const std::string& name)>& onName) const override;
    char Separator() const override;
    void EnumerateEntries(const std::string& dir,
                          const std::function<bool(const std::string& name, bool isDirectory)>&
                              onEntry) const override;
    std::string DirectoryIdentity(const std::string& path) const override;
};
