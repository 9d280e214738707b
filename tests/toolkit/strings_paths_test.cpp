// String helpers, character set conversion and path buffers.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "path_lexical.h"
#include "toolkit_test_support.h"
#include "zelkit.h"

using namespace toolkit_test;

namespace {

std::vector<std::string> Fields(char* text, int count) {
    std::vector<std::string> fields;
    for (int i = 0; i < count; ++i) {
        fields.emplace_back(text);
        text += fields.back().size() + 1;
    }
    return fields;
}

}  // namespace

TEST(SegmentMultiStr, SplitsAtRunsOfSeparatorsFromTheStart) {
    char text[] = "  ProgramStart = z40server.exe\t-x";
    int count = Z_SegmentMultiStr(text, "= \t", 0);
    ASSERT_EQ(count, 3);
    EXPECT_EQ(Fields(text, count), (std::vector<std::string>{"ProgramStart", "z40server.exe", "-x"}));
}

TEST(SegmentMultiStr, FirstFieldAtTheVeryStart) {
    char text[] = "ProgramStart=Z40Server.exe -x";
    int count = Z_SegmentMultiStr(text, "= \t", 0);
    ASSERT_EQ(count, 3);
    EXPECT_EQ(Fields(text, count), (std::vector<std::string>{"ProgramStart", "Z40Server.exe", "-x"}));
    char pair[] = "a b";
    ASSERT_EQ(Z_SegmentMultiStr(pair, " ", 0), 2);
    EXPECT_EQ(Fields(pair, 2), (std::vector<std::string>{"a", "b"}));
}

TEST(SegmentMultiStr, LinesOfABatchFile) {
    char text[] = "\r\nstart zelsearcher\r\n\r\nrem\nlast\r\n";
    int count = Z_SegmentMultiStr(text, "\r\n", 0);
    ASSERT_EQ(count, 3);
    EXPECT_EQ(Fields(text, count), (std::vector<std::string>{"start zelsearcher", "rem", "last"}));
}

TEST(SegmentMultiStr, OnlySeparatorsGiveNoField) {
    char text[] = " = ";
    EXPECT_EQ(Z_SegmentMultiStr(text, "= ", 0), 0);
    EXPECT_EQ(text[0], '\0');
    char full[] = "a";
    EXPECT_EQ(Z_SegmentMultiStr(full, ",", 0), 1);
    EXPECT_STREQ(full, "a");
}

TEST(Strings, CompareFunctionsFoldAsciiOnly) {
    EXPECT_EQ(ZSTRCMP("abc", "abc"), 0);
    EXPECT_NE(ZSTRCMP("abc", "ABC"), 0);
    EXPECT_EQ(ZSTRCMPI("IndexCache", "INDEXCACHE"), 0);
    EXPECT_NE(ZSTRCMPI("GET_BASE", "GET_BASECOL"), 0);
    EXPECT_LT(ZSTRCMPI("a", "B"), 0);
    EXPECT_EQ(ZSTRNCMPI("z40Server.exe", "Z40", 3), 0);
    EXPECT_NE(ZSTRNCMPI("z4", "Z40", 3), 0);
    EXPECT_NE(ZSTRCMPI("\xC0", "\xE0"), 0);
}

TEST(Strings, SubstringOffsetAndLowerCase) {
    char line[] = "START ZelSearcher.EXE &PORT";
    Z_ToLowerStr(line, -1, 0);
    EXPECT_STREQ(line, "start zelsearcher.exe &port");
    EXPECT_EQ(Z_GetFirstSubStrOffset(line, -1, "zelsearcher", -1, 0), 6);
    EXPECT_LT(Z_GetFirstSubStrOffset(line, -1, "zelmirror", -1, 0), 0);
    EXPECT_LT(Z_GetFirstSubStrOffset(line, 8, "zelsearcher", -1, 0), 0);
}

TEST(TranslateText, Utf8ToGb18030AndBack) {
    const char* utf8 = "A\xE4\xB8\xAD";  // "A" and U+4E2D
    char gb[16];
    ASSERT_EQ(Z_TranslateText(utf8, Z_CHARSET_UTF8, gb, Z_CHARSET_GB18030, 0, sizeof gb), 3);
    EXPECT_STREQ(gb, "A\xD6\xD0");
    char back[16];
    ASSERT_EQ(Z_TranslateText(gb, Z_CHARSET_GB18030, back, Z_CHARSET_UTF8, 0, sizeof back), 4);
    EXPECT_STREQ(back, utf8);
}

TEST(TranslateText, UnencodableCharacterAndBadBytesBecomeQuestionMarks) {
    char big5[16];
    // U+56FE has no BIG5 code.
    EXPECT_EQ(Z_TranslateText("x\xE5\x9B\xBEy", Z_CHARSET_UTF8, big5, Z_CHARSET_BIG5, 0, sizeof big5), 3);
    EXPECT_STREQ(big5, "x?y");
    char utf8[16];
    EXPECT_EQ(Z_TranslateText("a\xFF"
                              "b",
                              Z_CHARSET_UTF8, utf8, Z_CHARSET_GB18030, 0, sizeof utf8),
              3);
    EXPECT_STREQ(utf8, "a?b");
}

TEST(TranslateText, NoCharsetCopiesAndNoRoomFails) {
    char out[4];
    EXPECT_EQ(Z_TranslateText("\xD6\xD0", Z_CHARSET_GB18030, out, Z_CHARSET_NONE, 0, sizeof out), 2);
    EXPECT_STREQ(out, "\xD6\xD0");
    EXPECT_EQ(Z_TranslateText("abcd", Z_CHARSET_NONE, out, Z_CHARSET_NONE, 0, sizeof out), -1);
    EXPECT_EQ(Z_GetLastError(), Z_ERROR_TOO_LONG);
    EXPECT_EQ(Z_TranslateText("\xE4\xB8\xAD\xE4\xB8\xAD", Z_CHARSET_UTF8, out, Z_CHARSET_GB18030, 0, sizeof out), -1);
}

TEST(Charset, AssignedCharsetIsRemembered) {
    EXPECT_EQ(Z_AssignCharset(Z_CHARSET_BIG5, 1), 1);
    EXPECT_EQ(Z_GetAssignedCharset(), Z_CHARSET_BIG5);
    EXPECT_EQ(Z_AssignCharset(9, 1), 0);
    EXPECT_EQ(Z_GetAssignedCharset(), Z_CHARSET_BIG5);
}

TEST(PathBuffers, AppendSubdirSymbolAddsOneSeparator) {
    char path[Z_MAX_PATH] = "home";
    EXPECT_EQ(Z_AppendSubdirSymbol(path, 0), 1);
    EXPECT_EQ(Z_AppendSubdirSymbol(path, 0), 1);
    EXPECT_EQ(std::string(path), std::string("home") + Z_PATH_SEPARATOR);
    char empty[Z_MAX_PATH] = "";
    EXPECT_EQ(Z_AppendSubdirSymbol(empty, 1), 1);
    EXPECT_STREQ(empty, "");
    EXPECT_EQ(Z_DeappendSubdirSymbol(path), 1);
    EXPECT_STREQ(path, "home");
}

TEST(PathBuffers, AppendingBeyondBufferFailsAndKeepsPath) {
    char path[Z_MAX_PATH];
    std::memset(path, 'a', Z_MAX_PATH - 1);
    path[Z_MAX_PATH - 1] = '\0';
    std::string before = path;
    EXPECT_EQ(Z_AppendSubdirSymbol(path, 0), 0);
    EXPECT_EQ(Z_GetLastError(), Z_ERROR_TOO_LONG);
    EXPECT_EQ(std::string(path), before);
    path[Z_MAX_PATH - 2] = '\0';
    EXPECT_EQ(Z_AppendPath(path, "bc"), 0);
    EXPECT_EQ(std::strlen(path), static_cast<size_t>(Z_MAX_PATH - 2));
    EXPECT_EQ(Z_AppendPath(path, "b"), 1);
    EXPECT_EQ(std::strlen(path), static_cast<size_t>(Z_MAX_PATH - 1));
}

TEST(PathBuffers, FileNameStartsAfterLastSeparator) {
    std::string path = std::string("a") + Z_PATH_SEPARATOR + "bin" + Z_PATH_SEPARATOR + "zelserver.exe";
    EXPECT_EQ(Z_GetFileNamePathLength(path.c_str()), 6);
    EXPECT_EQ(Z_GetFileNamePathLength("name.dic"), 0);
}

// One splitter for every path the toolkit takes apart: a start keeps its
// separator, and in code pages 936 and 950 a character whose second byte is
// a backslash ends no name.
TEST(PathBuffers, SplitAtTheLastSeparatorOnly) {
    using zel::toolkit::JoinName;
    using zel::toolkit::SplitLast;
    const std::string sep = Z_PATH_SEPARATOR_TEXT;
    const std::string root = sep == "/" ? "/" : "C:\\";
    EXPECT_EQ(SplitLast(root + "x").folder, root);
    EXPECT_EQ(SplitLast(root + "x").name, "x");
    EXPECT_EQ(SplitLast(root + "a" + sep + "b").folder, root + "a");
    EXPECT_EQ(SplitLast("name.dic").folder, "");
    EXPECT_EQ(JoinName(root, "x"), root + "x");
    EXPECT_EQ(JoinName(root + "a", "x"), root + "a" + sep + "x");
    EXPECT_EQ(JoinName("", "x"), "x");
#ifdef _WIN32
    EXPECT_EQ(SplitLast("\\\\server\\share\\x").folder, "\\\\server\\share\\");
    const char* codePage = std::getenv("ZEL_EXPECT_CODE_PAGE");
    if (codePage != nullptr && std::string(codePage) == "936") {
        // 深淺: the second byte of 淺 is 0x5C.
        const std::string folder = "C:\\\xC9\xEE\x9C\x5C";
        EXPECT_EQ(SplitLast(folder + "\\x").folder, folder);
        EXPECT_EQ(SplitLast(folder).name, "\xC9\xEE\x9C\x5C");
    }
#endif
}

TEST(Directories, CheckPathTextTakesAPathThisSystemCanName) {
    EXPECT_EQ(Z_CheckPathText(fs::temp_directory_path().string().c_str()), 1);
    EXPECT_EQ(Z_CheckPathText(""), 0);
#ifdef _WIN32
    // What a character outside the system code page becomes.
    EXPECT_EQ(Z_CheckPathText("C:\\zel\\w?\\home"), 0);
    EXPECT_EQ(Z_GetLastError(), Z_ERROR_CHARSET);
    EXPECT_NE(std::string(Z_GetLastErrorPrompt(nullptr, 0)).find("system code page"), std::string::npos);
    // Windows' prefix for long paths is no wildcard.
    EXPECT_EQ(Z_CheckPathText("\\\\?\\C:\\zel\\home"), 1);
#endif
}

TEST(Directories, SamePathIgnoresTrailingSeparatorsAndDotDot) {
    ScratchDir scratch;
    fs::create_directories(scratch.path() / "bin");
    fs::create_directories(scratch.path() / "system");
    std::string bin = (scratch.path() / "bin").string();
    std::string viaSystem = (scratch.path() / "system" / ".." / "bin").string() + Z_PATH_SEPARATOR;
    EXPECT_EQ(Z_IsSameFilePath(bin.c_str(), viaSystem.c_str()), 1);
    EXPECT_EQ(Z_IsSameFilePath(bin.c_str(), (scratch.path() / "system").string().c_str()), 0);
    std::string missing = (scratch.path() / "gone").string();
    EXPECT_EQ(Z_IsSameFilePath(missing.c_str(), (missing + Z_PATH_SEPARATOR).c_str()), 1);
    EXPECT_EQ(Z_IsValidFilePath(viaSystem.c_str(), 0), 1);
    EXPECT_EQ(Z_IsValidFilePath(missing.c_str(), 0), 0);
}

TEST(Directories, ContrastFileTellsWhetherFileLiesInDirectory) {
    ScratchDir scratch;
    fs::create_directories(scratch.path() / "bin");
    WriteText((scratch.path() / "bin" / "zemservice.exe").string(), "x");
    std::string bin = (scratch.path() / "bin").string() + Z_PATH_SEPARATOR;
    ZContrastResult result{};
    ASSERT_EQ(Z_ContrastFile((scratch.path() / "bin" / "zemservice.exe").string().c_str(), bin.c_str(), &result), 1);
    EXPECT_EQ(result.inDirectory, 1u);
    EXPECT_EQ(result.sameName, 0u);
    ASSERT_EQ(Z_ContrastFile((scratch.path() / "other" / "zemservice.exe").string().c_str(), bin.c_str(), &result), 1);
    EXPECT_EQ(result.inDirectory, 0u);
}

TEST(Directories, CreateChangeAndReadCurrentDirectory) {
    ScratchDir scratch;
    std::string deep = (scratch.path() / "system" / "etc").string();
    EXPECT_EQ(Z_CreateDir(deep.c_str(), 0), 1);
    EXPECT_EQ(Z_CreateDir(deep.c_str(), 0), 1);
    char before[Z_MAX_PATH];
    ASSERT_NE(Z_GetCurrentDir(before, sizeof before), nullptr);
    ASSERT_EQ(Z_ChangeDir(deep.c_str()), 1);
    char now[Z_MAX_PATH];
    ASSERT_NE(Z_GetCurrentDir(now, sizeof now), nullptr);
    EXPECT_EQ(Z_IsSameFilePath(now, deep.c_str()), 1);
    char tiny[2];
    EXPECT_EQ(Z_GetCurrentDir(tiny, sizeof tiny), nullptr);
    EXPECT_EQ(Z_GetLastError(), Z_ERROR_TOO_LONG);
    ASSERT_EQ(Z_ChangeDir(before), 1);
}

TEST(Directories, GotoProgramDirWithoutDirectoryPartUsesRunningProgram) {
    char before[Z_MAX_PATH];
    ASSERT_NE(Z_GetCurrentDir(before, sizeof before), nullptr);
    char program[Z_MAX_PATH];
    ASSERT_NE(Z_GetProgramPath(program, sizeof program), nullptr);
    ASSERT_EQ(Z_GotoProgramDir("upgrade.exe"), 1);
    char now[Z_MAX_PATH];
    ASSERT_NE(Z_GetCurrentDir(now, sizeof now), nullptr);
    EXPECT_EQ(Z_IsSameFilePath(now, fs::path(program).parent_path().string().c_str()), 1);
    ScratchDir scratch;
    ASSERT_EQ(Z_GotoProgramDir((scratch.path() / "upgrade.exe").string().c_str()), 1);
    ASSERT_NE(Z_GetCurrentDir(now, sizeof now), nullptr);
    EXPECT_EQ(Z_IsSameFilePath(now, scratch.path().string().c_str()), 1);
    ASSERT_EQ(Z_ChangeDir(before), 1);
}

namespace {

std::string Sha256Hex(const std::string& bytes, size_t cut = std::string::npos) {
    ZSha256 hash;
    Z_Sha256Begin(&hash);
    const size_t first = cut < bytes.size() ? cut : bytes.size();
    Z_Sha256Add(&hash, bytes.data(), first);
    Z_Sha256Add(&hash, bytes.data() + first, bytes.size() - first);
    uint8_t digest[Z_SHA256_SIZE];
    Z_Sha256End(&hash, digest);
    std::string hex;
    for (uint8_t byte : digest) {
        hex += "0123456789abcdef"[byte >> 4];
        hex += "0123456789abcdef"[byte & 15];
    }
    return hex;
}

}  // namespace

// The examples of FIPS 180-2, and messages whose padding falls on either
// side of a block's end (55, 56, 63, 64 ... bytes).
TEST(Sha256, KnownAnswers) {
    EXPECT_EQ(Sha256Hex("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(Sha256Hex(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(Sha256Hex("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
              "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
    EXPECT_EQ(Sha256Hex(std::string(1000000, 'a')), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
    std::string bytes;
    for (size_t i = 0; i < 300; ++i) bytes.push_back(static_cast<char>((i * 131 + 7) % 256));
    const std::pair<size_t, const char*> lengths[] = {
        {55, "16ed9c4697ca11d5f6fb25ea7900252dd4cb97215d7f6d0b2bb3e2a86ac0ec72"},
        {56, "939ada93b2fe1e9c596d767bb408567c83e253667f0b25e5be8e16f35f2cbac9"},
        {63, "6073f83b09ae82016cdbe24c18996c48f0eaa08ca675d0f6b90b807fc29e0149"},
        {64, "b337ba9b0c69c391364e985fdcb23a889887e59800832c92fbfa22b8a3c40304"},
        {65, "9d6a3fb113b586b4ab97bc11c993a27bd9b7bbcb756e0646083dc47a679600e6"},
        {119, "9773fbac8194c3d789af101b49b6a26073076895ef6e0f658432849dd477a43f"},
        {120, "070a538f085dd94821d4dc197c5c8b791051891d4fa2a1bf25d3c275236676f7"},
        {300, "cf2eb35169ce035ca6dfb9c3a303d1495473b02fd17c5635008f1e659b733d8f"},
    };
    for (const auto& [length, digest] : lengths) EXPECT_EQ(Sha256Hex(bytes.substr(0, length)), digest) << length;
}

TEST(Sha256, AnyWayOfCuttingTheBytesGivesOneDigest) {
    std::string bytes;
    for (size_t i = 0; i < 300; ++i) bytes.push_back(static_cast<char>((i * 131 + 7) % 256));
    const std::string whole = Sha256Hex(bytes);
    for (size_t cut = 0; cut <= bytes.size(); ++cut) EXPECT_EQ(Sha256Hex(bytes, cut), whole) << cut;
}
