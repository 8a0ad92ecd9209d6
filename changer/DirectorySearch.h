// Resolving a collection entry that names a disk directory to one file inside it.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

class CCrtRandom;
class IFileSystem;

struct DirectoryMatch {
    std::string name;  // the bare file name
    std::string path;  // dir, separator, name
};

// Makes up to `drawn` attempts (none when it is 0). Each draws a token index from random and
// lists dir for "*." + that token in the platform's order; the names whose own extension
// does not match (found through their short names) are passed over. With m matches, m up to
// `reach` (the modulus `drawn` was drawn with), it lands on match ((drawn - 1) mod m) + 1, as
// if stepping `drawn` times round the list. With more, that stepping could never pass match
// `reach`, so the landing is drawn from random instead, every match equally likely. A landing
// on "." or "..", or a token without matches, fails the attempt. True when an attempt found a
// file.
//
// Every attempt with a given token lands on the same name while it has no more than `reach`
// matches, so each token is listed at most once, and the attempts stop once every token is
// known to fail (nothing drawn afterwards could matter). The outcome is that of the plain loop.
//
// stop, when given, is asked between listings and between the names of one: once it says yes
// the search ends at once, finding nothing (a stopped changer must not list on for minutes).
bool SearchDirectory(const IFileSystem& fs, const std::string& dir,
                     const std::vector<std::string>& tokens, std::size_t tokenCount, int drawn,
                     int reach, CCrtRandom& random, DirectoryMatch& match,
                     const std::function<bool()>& stop = {});
