// Reading a file the thumbnail pane is asked to show: a page the editor wrote, or anything else
// (a picture, shown at its own size). Runs on the pane's reader thread.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "views/ThumbnailPage.h"

enum class FileKind { Unreadable, Page, NotPage, Other };

// What kind of file path is, from its first bytes; for a page, its thumbnails go to items.
// Unreadable once stop says yes.
FileKind ReadPageFile(const std::string& path, std::vector<PageItem>& items,
                      const std::function<bool()>& stop);
