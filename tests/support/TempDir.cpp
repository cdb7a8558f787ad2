#include "TempDir.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <system_error>

TempDir::TempDir()
{
    char pattern[] = "/tmp/rx77test-XXXXXX";
    const char* made = mkdtemp(pattern);
    path = made != nullptr ? made : "";
}

TempDir::~TempDir()
{
    if (!path.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
}

bool TempDir::MakeFolder(const std::string& name) const
{
    std::error_code error;
    std::filesystem::create_directories(Join(name), error);
    if (!error) {
        std::filesystem::permissions(Join(name), std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::replace, error);
    }
    return !error && std::filesystem::is_directory(Join(name), error);
}

void TempDir::Link(const std::string& name, const std::string& target) const
{
    std::error_code ignored;
    std::filesystem::create_symlink(target, Join(name), ignored);
}

void TempDir::WriteFile(const std::string& name, const std::string& text) const
{
    const std::filesystem::path file(Join(name));
    std::error_code ignored;
    std::filesystem::create_directories(file.parent_path(), ignored);
    std::ofstream(file) << text;
}
