// Paths of collections made by the Windows program under Wine on this machine. Wine shows the
// root of the Unix file system as drive Z:, so such a collection names its files as
// "Z:\home\...", in the program's code page (CP932). These seams let the engine keep the
// collection's own paths while the files are looked up where they really are; any other path
// is taken as a path of this system, byte for byte.
#pragma once

#include <string>

#include "changer/ChangerSeams.h"
#include "changer/PlatformDisplayName.h"
#include "model/PlatformFileSystem.h"

// True for "Z:\..." and "Z:/..." (either case).
bool IsWineRootPath(const std::string& path);
// The file a collection path names here: "Z:\a\表.jpg" becomes "/a/表.jpg" in UTF-8; any other
// path is returned as it is.
std::string LocalPath(const std::string& collectionPath);

class CCollectionFileSystem : public IFileSystem {
  public:
    PathAttributes GetAttributes(const std::string& path) const override;
    // Below a Z: directory the names come back in the collection's code page; a name that has
    // no spelling there is left out, as the program could not have named it either.
    void Enumerate(const std::string& dir, const std::string& pattern,
                   const std::function<bool(const std::string& name)>& onName) const override;
    char Separator() const override;

  private:
    CPlatformFileSystem m_files;
};

class CCollectionDisplayName : public IDisplayName {
  public:
    std::string GetDisplayName(const std::string& path) const override;

  private:
    CPlatformDisplayName m_names;
};
