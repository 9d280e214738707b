#include "support/folder_link.h"

#include <system_error>

namespace zel::testing {

namespace fs = std::filesystem;

bool MakeFolderLink(const fs::path& link, const fs::path& target, std::string* why) {
    std::error_code error;
    fs::create_directory_symlink(target, link, error);
    if (error) *why = error.message();
    return !error;
}

bool RemoveFolderLink(const fs::path& link, std::string* why) {
    std::error_code error;
    fs::remove(link, error);
    if (error) *why = error.message();
    return !error;
}

}  // namespace zel::testing
