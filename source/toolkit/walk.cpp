#include "walk.h"

#include <cerrno>
#include <cstring>

namespace zel::toolkit {

Status WalkedName::MissingStatus() const {
    if (notFolder) return Status(Code::NotFolder, 0, notFolderText + " is not a folder");
    return Status(Code::NotFound, 0, std::strerror(ENOENT));
}

void MissingFrom(const LexicalPath& path, size_t at, const std::string& folderText, WalkedName& place) {
    place.kind = Kind::Missing;
    place.folderMissing = at + 1 < path.names.size();
    place.name = path.names.empty() ? std::string() : path.names.back();
    place.folderText = folderText;
    place.text = folderText;
    for (size_t rest = at; rest < path.names.size(); ++rest) place.text = JoinName(place.text, path.names[rest]);
    if (place.folderMissing) place.folderText = SplitLast(place.text).folder;
}

}  // namespace zel::toolkit
