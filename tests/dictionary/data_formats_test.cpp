#include "data_formats.h"
#include "data_format_table.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dictionary/dictionary_step_fixture.h"
#include "zelkit.h"
#include "zemshell.h"

namespace dictionary_test {
namespace {

// "JPEG位图文件格式名." in GB18030 and in UTF-8.
const char kCmpGb18030[] = "JPEG\xCE\xBB\xCD\xBC\xCE\xC4\xBC\xFE\xB8\xF1\xCA\xBD\xC3\xFB.";
const char kCmpUtf8[] = "JPEG位图文件格式名.";

struct StoredFormat {
    uint16_t id;
    int flag;
    std::string name, className, extensions, description;
};

class DataFormats : public DictionaryStepTest {
protected:
    void AddFormat(uint16_t id, const char* name, const char* className, const char* extensions,
                   const char* description, uint8_t flag = 1) {
        ObjectEnv env = env_;
        env.objectKind = OBJECT_DATA_FORMAT;
        DataFormatRecord record{};
        record.id = id;
        record.flag = flag;
        record.name = const_cast<char*>(name);
        record.className = const_cast<char*>(className);
        record.extensions = const_cast<char*>(extensions);
        record.description = const_cast<char*>(description);
        ASSERT_EQ(NewDataFormatInfo(&env, &record), 1) << LastErrorText();
    }

    std::vector<StoredFormat> Formats() {
        ObjectEnv env = env_;
        env.objectKind = OBJECT_DATA_FORMAT;
        std::vector<StoredFormat> formats;
        DataFormatRecord* chain = GetDataFormatInfo(&env, 0, "*", "", "");
        for (DataFormatRecord* r = chain; r != nullptr; r = r->next) {
            formats.push_back({r->id, r->flag, r->name, r->className, r->extensions, r->description});
        }
        FreeDataFormatInfo(chain);
        return formats;
    }

    StoredFormat Format(const std::string& name) {
        for (const StoredFormat& format : Formats()) {
            if (format.name == name) return format;
        }
        ADD_FAILURE() << "no format " << name;
        return {};
    }
};

TEST_F(DataFormats, EmptyDictionaryGetsTheWholeTableInOrder) {
    ASSERT_EQ(UpdateDataFormats(&env_, Z_CHARSET_GB18030), 1) << LastErrorText();
    EXPECT_EQ(env_.objectKind, OBJECT_DATA_FORMAT);
    std::vector<StoredFormat> formats = Formats();
    ASSERT_EQ(formats.size(), 90u);
    for (size_t i = 0; i < formats.size(); ++i) EXPECT_EQ(formats[i].id, i + 1);
    EXPECT_EQ(formats[0].name, "BIT");
    EXPECT_EQ(formats[0].flag, 0);
    EXPECT_EQ(formats[2].extensions, "doc;docx;docm;dot");
    // GB18030 descriptions are stored byte for byte.
    EXPECT_EQ(formats[35].name, "CMP");
    EXPECT_EQ(formats[35].description, kCmpGb18030);
    EXPECT_EQ(formats[89].name, "VBS");
}

TEST_F(DataFormats, Utf8ServerGetsTranslatedDescriptions) {
    AddFormat(36, "CMP", "IMAGE", "cmp", kCmpGb18030);
    ASSERT_EQ(UpdateDataFormats(&env_, Z_CHARSET_UTF8), 1) << LastErrorText();
    EXPECT_EQ(Format("CMP").description, kCmpUtf8);
    EXPECT_EQ(Format("GZIP").description, "GZIP压缩文件格式名.");
    EXPECT_EQ(Format("BIT").description, "Default Class name. Don't use as Format name.");
}

TEST_F(DataFormats, OldNamesAreRenamedAndCorrected) {
    AddFormat(9, "doc", "OLD", "", "old text", 0);
    AddFormat(30, "EML", "DOCS", "eml", "mail");
    ASSERT_EQ(UpdateDataFormats(&env_, Z_CHARSET_GB18030), 1) << LastErrorText();
    StoredFormat docs = Format("DOCS");
    EXPECT_EQ(docs.id, 9);
    EXPECT_EQ(docs.className, "DOCS");
    EXPECT_EQ(docs.extensions, "dcs");
    EXPECT_EQ(docs.description, "Class name of documents. Don't use as Format name.");
    EXPECT_EQ(docs.flag, 1);
    StoredFormat email = Format("EMAIL");
    EXPECT_EQ(email.id, 30);
    EXPECT_EQ(email.extensions, "eml;email");
    EXPECT_EQ(email.description, "Format name of EMAIL files.");
    // Renamed formats are not added a second time.
    EXPECT_EQ(Formats().size(), 90u);
}

TEST_F(DataFormats, ClassComparesWithoutCaseAndExtensionsWithCase) {
    AddFormat(3, "WORD", "docs", "DOC;DOCX;DOCM;DOT", "Format name of Microsoft Word files.");
    ASSERT_EQ(UpdateDataFormats(&env_, Z_CHARSET_GB18030), 1) << LastErrorText();
    StoredFormat word = Format("WORD");
    EXPECT_EQ(word.className, "docs");
    EXPECT_EQ(word.extensions, "doc;docx;docm;dot");
}

TEST_F(DataFormats, FlagAloneIsNoReasonToWrite) {
    AddFormat(22, "BMP", "IMAGE", "bmp", "Format name of BMP image files.", 0);
    AddFormat(23, "JPEG", "IMAGE", "jpg", "Format name of JPEG image files.", 1);
    ASSERT_EQ(UpdateDataFormats(&env_, Z_CHARSET_GB18030), 1) << LastErrorText();
    EXPECT_EQ(Format("BMP").flag, 0);
    // With another change the flag comes along.
    EXPECT_EQ(Format("JPEG").flag, 0);
    EXPECT_EQ(Format("JPEG").extensions, "jpg;jpe;jpeg");
}

TEST_F(DataFormats, FormatsOfTheInstallationStay) {
    AddFormat(50, "MYFMT", "DOCS", "my", "our own");
    ASSERT_EQ(UpdateDataFormats(&env_, Z_CHARSET_GB18030), 1) << LastErrorText();
    StoredFormat mine = Format("MYFMT");
    EXPECT_EQ(mine.id, 50);
    EXPECT_EQ(mine.description, "our own");
    // The table's row 50 is still added, under an id the shell picks that
    // no row asks for; every other row keeps its id.
    EXPECT_EQ(Formats().size(), 91u);
    EXPECT_EQ(Format("ASM").className, "DOCS");
    EXPECT_EQ(Format("ASM").id, 91);
    EXPECT_EQ(Format("ASP").id, 51);
}

TEST_F(DataFormats, FormatsOnTableIdsOrTheLastIdPushNoRowOffItsId) {
    AddFormat(36, "MINE36", "DOCS", "m36", "ours");
    AddFormat(37, "MINE37", "DOCS", "m37", "ours");
    AddFormat(65534, "LAST", "DOCS", "last", "ours");
    ASSERT_EQ(UpdateDataFormats(&env_, Z_CHARSET_GB18030), 1) << LastErrorText();
    std::vector<StoredFormat> formats = Formats();
    ASSERT_EQ(formats.size(), 93u);
    for (const StoredFormat& format : formats) {
        if (format.name == "CMP" || format.name == "GZIP") {
            // No id above the last is left: the lowest ones no row asks for.
            EXPECT_GT(format.id, 90) << format.name;
            EXPECT_LT(format.id, 65534) << format.name;
        } else if (format.name.rfind("MINE", 0) != 0 && format.name != "LAST") {
            ASSERT_TRUE(format.id >= 1 && format.id <= 90) << format.name << " is off its table id";
            EXPECT_EQ(format.name, kDataFormatTable[format.id - 1].name) << format.id;
        }
    }
    EXPECT_EQ(Format("JFIF").id, 38);
    EXPECT_EQ(Format("MINE36").id, 36);
    EXPECT_EQ(Format("MINE37").extensions, "m37");
    EXPECT_EQ(Format("LAST").id, 65534);
}

TEST_F(DataFormats, SecondRunChangesNothing) {
    ASSERT_EQ(UpdateDataFormats(&env_, Z_CHARSET_GB18030), 1) << LastErrorText();
    SetFault("UpdateDataFormatInfo,NewDataFormatInfo");
    EXPECT_EQ(UpdateDataFormats(&env_, Z_CHARSET_GB18030), 1) << LastErrorText();
}

TEST_F(DataFormats, EachFailingCallFails) {
    AddFormat(3, "WORD", "DOCS", "doc", "old");
    // In this order each case reaches its call: the correction of WORD, the
    // reading of all formats, the first insertion, the first single lookup.
    const char* const faults[] = {"UpdateDataFormatInfo", "GetDataFormatInfo", "NewDataFormatInfo",
                                  "GetDataFormatInfo:2"};
    for (const char* fault : faults) {
        SCOPED_TRACE(fault);
        SetFault(fault);
        EXPECT_EQ(UpdateDataFormats(&env_, Z_CHARSET_GB18030), 0);
        EXPECT_EQ(Z_GetLastError(), Z_ERROR_INJECTED) << LastErrorText();
        SetFault("");
    }
    EXPECT_EQ(UpdateDataFormats(&env_, Z_CHARSET_UTF8), 1) << LastErrorText();
    EXPECT_EQ(Formats().size(), 90u);
}

}  // namespace
}  // namespace dictionary_test
