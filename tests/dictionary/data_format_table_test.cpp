#include "data_format_table.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

#include "zelkit.h"

namespace {

TEST(DataFormatTable, HoldsNinetyFormatsNumberedInOrder) {
    std::set<std::string> names;
    for (int i = 0; i < DATA_FORMAT_COUNT; ++i) {
        EXPECT_EQ(kDataFormatTable[i].id, i + 1);
        EXPECT_LE(kDataFormatTable[i].flag, 1);
        names.insert(kDataFormatTable[i].name);
    }
    EXPECT_EQ(names.size(), 90u);
    EXPECT_STREQ(kDataFormatTable[0].name, "BIT");
    EXPECT_STREQ(kDataFormatTable[89].name, "VBS");
}

TEST(DataFormatTable, FindsRowsWithoutRegardToCase) {
    const DataFormatRow* row = FindDataFormatRow("word");
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(row->id, 3);
    EXPECT_STREQ(row->className, "DOCS");
    EXPECT_STREQ(row->extensions, "doc;docx;docm;dot");
    EXPECT_EQ(FindDataFormatRow("DOC"), nullptr);
    EXPECT_EQ(FindDataFormatRow("EML"), nullptr);
    ASSERT_NE(FindDataFormatRow("Email"), nullptr);
    EXPECT_EQ(FindDataFormatRow("Email")->id, 34);
}

TEST(DataFormatTable, ChineseDescriptionsAreGb18030) {
    // 36: "JPEG位图文件格式名."
    EXPECT_STREQ(kDataFormatTable[35].description, "JPEG\xCE\xBB\xCD\xBC\xCE\xC4\xBC\xFE\xB8\xF1\xCA\xBD\xC3\xFB.");
    char utf8[256];
    ASSERT_GE(
        Z_TranslateText(kDataFormatTable[35].description, Z_CHARSET_GB18030, utf8, Z_CHARSET_UTF8, 0, sizeof utf8), 0);
    EXPECT_STREQ(utf8, "JPEG\xE4\xBD\x8D\xE5\x9B\xBE\xE6\x96\x87\xE4\xBB\xB6\xE6\xA0\xBC\xE5\xBC\x8F\xE5\x90\x8D.");
    // 74: an escape followed by letters that must not join it.
    EXPECT_EQ(std::strncmp(kDataFormatTable[73].description,
                           "Microsoft Outlook\xB5\xC4"
                           "email",
                           24),
              0);
    // Every description converts cleanly to UTF-8 and stays within the buffer.
    for (const DataFormatRow& row : kDataFormatTable) {
        char converted[256];
        EXPECT_GE(Z_TranslateText(row.description, Z_CHARSET_GB18030, converted, Z_CHARSET_UTF8, 0, sizeof converted),
                  0)
            << row.name;
        EXPECT_EQ(std::strchr(converted, '?'), nullptr) << row.name;
    }
}

TEST(DataFormatTable, EnglishRowsKeepTheirText) {
    EXPECT_STREQ(kDataFormatTable[4].description, "Format name of WordProfect files.");
    EXPECT_STREQ(kDataFormatTable[34].description, "Format name of MP2 files.");
    EXPECT_STREQ(kDataFormatTable[24].description, "Format name of Adobe PDF files");
}

}  // namespace
