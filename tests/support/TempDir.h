#pragma once
#include <string>

// A fresh folder under /tmp, removed with everything in it.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // False when the folder could not be made (Path() is then empty).
    bool Ok() const { return !path.empty(); }
    const std::string& Path() const { return path; }
    std::string Join(const std::string& name) const { return path + "/" + name; }
    // Makes the folder name inside, with its parents, private like the
    // folder itself (a runtime directory must be); false on failure.
    bool MakeFolder(const std::string& name) const;
    void Link(const std::string& name, const std::string& target) const;
    void WriteFile(const std::string& name, const std::string& text) const;

private:
    std::string path;
};
