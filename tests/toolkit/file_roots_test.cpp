// Paths beneath a root that pass a folder link of the running user: the
// link is followed where the call follows names, and is the link itself
// where the call takes the last name as it is (Z_NO_LINK). Natively a
// symbolic link; under Wine a link of the host, shown as a reparse point.
#include <gtest/gtest.h>

#include <string>

#include "support/folder_link.h"
#include "toolkit_test_support.h"
#include "zelkit.h"

using namespace toolkit_test;

namespace {

ZFileInfo InfoOf(const fs::path& path, uint32_t flags) {
    ZFileInfo info{};
    EXPECT_EQ(Z_GetFileInfo(path.string().c_str(), flags, &info), 1) << Z_GetLastErrorPrompt(nullptr, 0);
    return info;
}

TEST(FileRoots, AFolderLinkOfTheRunningUserIsFollowedUnlessTheLastNameIsTakenItself) {
    ScratchDir scratch;
    const fs::path home = scratch.path() / "home";
    const fs::path outside = scratch.path() / "outside";
    fs::create_directories(home);
    fs::create_directories(outside);
    WriteText((outside / "KEEP.TXT").string(), "kept");
    const fs::path link = home / "data";
    std::string why;
    ASSERT_TRUE(zel::testing::MakeFolderLink(link, outside, &why)) << why;
    ASSERT_EQ(Z_AddFileRoot(home.string().c_str()), 1) << Z_GetLastErrorPrompt(nullptr, 0);

    EXPECT_EQ(InfoOf(link, Z_NO_LINK).kind, Z_FILE_LINK);
    const ZFileInfo followed = InfoOf(link, 0);
    const ZFileInfo named = InfoOf(outside, 0);
    EXPECT_EQ(followed.kind, Z_FILE_DIRECTORY);
    EXPECT_EQ(followed.volume, named.volume);
    EXPECT_EQ(followed.index, named.index);
    char found[Z_MAX_PATH] = "";
    EXPECT_EQ(Z_FindUnsafeLink(home.string().c_str(), 2, found, sizeof found), 0) << found;
    // The names after the link lie in the folder it names.
    EXPECT_EQ(InfoOf(link / "KEEP.TXT", Z_NO_LINK).kind, Z_FILE_REGULAR);
    EXPECT_EQ(Z_WriteWholeFile((link / "NEW.TXT").string().c_str(), "new", 3, Z_NO_LINK), 1)
        << Z_GetLastErrorPrompt(nullptr, 0);
    EXPECT_EQ(ReadText((outside / "NEW.TXT").string()), "new");

    Z_ClearFileRoots();
    EXPECT_TRUE(zel::testing::RemoveFolderLink(link, &why)) << why;
}

}  // namespace
