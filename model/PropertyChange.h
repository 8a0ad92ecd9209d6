// What the entry properties dialog decided, and how it is written to the entries it was
// opened for.
#pragma once

#include <string>


class CBlock;

struct PropertyChange {
    bool storeName = false;  // the name field is written (one entry edited)
    std::string name;
    int priority = -1;  // a level 0..4; anything else leaves the priority as it is
    std::string author;
    std::string comment;
    int inherit = 0;
    int changerEnabled = 0;
    bool updatePriority = false;
    bool updateAuthor = false;
    bool updateComment = false;
    bool updateInherit = false;
    bool updateChanger = false;
    bool subfolders = false;  // a folder passes the updated properties to everything below it
};

// Writes change to entry. A folder's tree item follows its name and changer flag; with
// subfolders, every entry below receives exactly the updated properties, and the tree checks
// of the folders below follow the changer flag when it is copied.
void ApplyPropertyChange(CBlock& entry, const PropertyChange& change);
