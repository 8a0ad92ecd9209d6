#include <windows.h>

#include "model/CollectionFile.h"

bool ReplaceFileWith(const std::string& source, const std::string& target) {
    // Write-through so that the rename is on disk before we report success.
    return MoveFileExA(source.c_str(), target.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}
