// What the program asks of the disk when it looks for files: a path's attributes and the
// names of a directory. The platform's own is CPlatformFileSystem; tests supply fakes.
#pragma once

#include <functional>
#include <string>

struct PathAttributes {
    bool readable = false;  // false: the path does not exist or cannot be examined
    bool isDirectory = false;
};

class IFileSystem {
  public:
    virtual ~IFileSystem() = default;
    virtual PathAttributes GetAttributes(const std::string& path) const = 0;
    // Calls onName with the name of every entry of dir that matches the wildcard pattern
    // ('*' and '?', letters compared without case), "." and ".." included when they match, in
    // the order the platform returns them, until onName returns false.
    virtual void Enumerate(const std::string& dir, const std::string& pattern,
                           const std::function<bool(const std::string& name)>& onName) const = 0;
    // The separator that joins a directory and a name.
    virtual char Separator() const = 0;

    // Calls onEntry with every name of dir but "." and "..", and whether it names a
    // directory, until onEntry returns false. The platform's own reads both in one search.
    virtual void EnumerateEntries(
        const std::string& dir,
        const std::function<bool(const std::string& name, bool isDirectory)>& onEntry) const {
        Enumerate(dir, "*", [&](const std::string& name) {
            if (name == "." || name == "..") return true;
            return onEntry(name, GetAttributes(dir + Separator() + name).isDirectory);
        });
    }
    // The identity of the directory at path, the same through every link or junction that
    // leads to it; empty when it cannot be told.
    virtual std::string DirectoryIdentity(const std::string& path) const {
        (void)path;
        return std::string();
    }
};
