#include "relation_databases.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dictionary/dictionary_step_fixture.h"
#include "kernel_store.h"
#include "zelkit.h"
#include "zemshell.h"

namespace dictionary_test {
namespace {

const char* const kThesaurusColumns[] = {"CTM", "CLT",  "CBT", "CNT", "CPT", "CUF", "CCC",
                                         "CAB", "CABF", "CRT", "CHN", "CSN", "CLE", "CPCC"};

class RelationDatabases : public DictionaryStepTest {
protected:
    void WriteAllSources() {
        WritePackageFile("thesaurus.dic", "# CTM\tCLT\n计算机\t电子计算机\n机器\n");
        WritePackageFile("synonym.dic", "快\n迅速\n高兴\n");
        WritePackageFile("antonym.dic", "大\n小\n");
    }

    int Create(uint16_t code, std::string* output) {
        int result = 0;
        *output = Printed([&] { result = CreateRelationDBs(run_, code); });
        return result;
    }

    uint64_t KernelRecords(uint32_t id) { return zel::kernel::DescribeData(DictDir(), id).records; }

    std::vector<std::string> ColumnNames(uint32_t id, int count) {
        std::vector<std::string> names;
        ObjectEnv env = env_;
        env.objectKind = OBJECT_COLUMN;
        for (int i = 0; i < count; ++i) {
            ColumnRecord* column = GetDColumnInfo(&env, id, 0, kThesaurusColumns[i], 0);
            if (column == nullptr) continue;
            names.push_back(std::to_string(column->number) + ":" + column->name);
            EXPECT_EQ(column->type, COLUMN_CHAR);
            EXPECT_EQ(column->flag98, i == 0 ? 1 : 0);
            FreeDColumnInfo(column);
        }
        return names;
    }
};

TEST_F(RelationDatabases, AllThreeAreCreatedLoadedAndOptimizedInOrder) {
    WriteAllSources();
    std::string output;
    ASSERT_EQ(Create(CHARSET_CODE_GB18030, &output), 1) << LastErrorText();

    size_t thesaurus = output.find("Creating new system THESAURUS_GB...\n");
    size_t synonym = output.find("Creating new system SYNONYM_GB...\n");
    size_t antonym = output.find("Creating new system ANTONYM_GB...\n");
    ASSERT_NE(thesaurus, std::string::npos) << output;
    ASSERT_NE(synonym, std::string::npos) << output;
    ASSERT_NE(antonym, std::string::npos) << output;
    EXPECT_LT(thesaurus, synonym);
    EXPECT_LT(synonym, antonym);
    // The kernel's progress shows through the reporters.
    EXPECT_NE(output.find("\r\tLoaded records: 2!\n"), std::string::npos) << output;
    EXPECT_NE(output.find("\r\tOptimizing data ... 100%\n"), std::string::npos) << output;
    EXPECT_EQ(env_.objectKind, OBJECT_DATABASE);

    const DatabaseRecord* made = FindDatabase("SYSTEM", "THESAURUS_GB");
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(made->kind, DB_KIND_THESAURUS);
    EXPECT_EQ(made->charsetCode, CHARSET_CODE_GB18030);
    EXPECT_EQ(made->recordCount, 2u);
    EXPECT_STREQ(made->description, "This is system thesaurus");
    EXPECT_EQ(KernelRecords(made->id), 2u);
    EXPECT_EQ(outcome_.relationIds[RELATION_THESAURUS][RELATION_GB], made->id);
    std::vector<std::string> expected;
    for (int i = 0; i < 14; ++i) expected.push_back(std::to_string(i + 1) + ":" + kThesaurusColumns[i]);
    EXPECT_EQ(ColumnNames(made->id, 14), expected);

    const DatabaseRecord* synonyms = FindDatabase("SYSTEM", "SYNONYM_GB");
    ASSERT_NE(synonyms, nullptr);
    EXPECT_EQ(synonyms->recordCount, 3u);
    EXPECT_EQ(outcome_.relationIds[RELATION_SYNONYM][RELATION_GB], synonyms->id);
    const DatabaseRecord* antonyms = FindDatabase("SYSTEM", "ANTONYM_GB");
    ASSERT_NE(antonyms, nullptr);
    EXPECT_EQ(outcome_.relationIds[RELATION_ANTONYM][RELATION_GB], antonyms->id);
    EXPECT_TRUE(outcome_.newSystemDatabase);
}

TEST_F(RelationDatabases, MissingSourceFileSkipsItsDatabase) {
    WritePackageFile("thesaurus.dic", "机器\n");
    WritePackageFile("antonym.dic", "大\n小\n");
    std::string output;
    ASSERT_EQ(Create(CHARSET_CODE_BIG5, &output), 1) << LastErrorText();
    EXPECT_EQ(output.find("SYNONYM"), std::string::npos);
    EXPECT_EQ(FindDatabase("SYSTEM", "SYNONYM_BIG5"), nullptr);
    EXPECT_NE(FindDatabase("SYSTEM", "ANTONYM_BIG5"), nullptr);
    EXPECT_EQ(outcome_.relationIds[RELATION_SYNONYM][RELATION_BIG5], 0u);
}

TEST_F(RelationDatabases, Utf8WithoutNativeCharsetDoesNothing) {
    WriteAllSources();
    std::string output;
    ASSERT_EQ(Create(CHARSET_CODE_UTF8, &output), 1) << LastErrorText();
    EXPECT_EQ(output, "");
    EXPECT_EQ(FindDatabase("SYSTEM", "THESAURUS_UTF8"), nullptr);
    EXPECT_FALSE(outcome_.newSystemDatabase);
}

TEST_F(RelationDatabases, Utf8WithNativeCharsetIsCreated) {
    WriteAllSources();
    ASSERT_EQ(SetSystemCharset(Z_CHARSET_UTF8), Z_CHARSET_UTF8) << LastErrorText();
    std::string output;
    ASSERT_EQ(Create(CHARSET_CODE_UTF8, &output), 1) << LastErrorText();
    EXPECT_NE(FindDatabase("SYSTEM", "THESAURUS_UTF8"), nullptr);
    EXPECT_NE(outcome_.relationIds[RELATION_ANTONYM][RELATION_UTF8], 0u);
}

TEST_F(RelationDatabases, ExistingDatabaseIsLeftAloneWithoutModificationMode) {
    WritePackageFile("antonym.dic", "大\n小\n");
    std::string output;
    ASSERT_EQ(Create(CHARSET_CODE_BIG5, &output), 1) << LastErrorText();
    ResetRunState();
    ASSERT_EQ(Create(CHARSET_CODE_BIG5, &output), 1) << LastErrorText();
    EXPECT_EQ(output, "");
    const DatabaseRecord* antonyms = FindDatabase("SYSTEM", "ANTONYM_BIG5");
    ASSERT_NE(antonyms, nullptr);
    EXPECT_EQ(antonyms->recordCount, 2u);
    EXPECT_EQ(KernelRecords(antonyms->id), 2u);
    EXPECT_EQ(outcome_.relationIds[RELATION_ANTONYM][RELATION_BIG5], 0u);
    EXPECT_FALSE(outcome_.newSystemDatabase);
}

TEST_F(RelationDatabases, ModificationModeEmptiesAndRefillsExistingDatabase) {
    for (int mode : {1, -1}) {
        SCOPED_TRACE(mode);
        WritePackageFile("antonym.dic", "大\n小\n");
        std::string output;
        ASSERT_EQ(Create(CHARSET_CODE_BIG5, &output), 1) << LastErrorText();
        WritePackageFile("antonym.dic", "long\nshort\nmany\n");
        ResetRunState();
        run_.choices.dictionaryMode = mode;
        ASSERT_EQ(Create(CHARSET_CODE_BIG5, &output), 1) << LastErrorText();
        EXPECT_NE(output.find("Creating new system ANTONYM_BIG5...\n"), std::string::npos) << output;
        const DatabaseRecord* antonyms = FindDatabase("SYSTEM", "ANTONYM_BIG5");
        ASSERT_NE(antonyms, nullptr);
        EXPECT_EQ(antonyms->recordCount, 3u);
        EXPECT_EQ(KernelRecords(antonyms->id), 3u);
        EXPECT_EQ(outcome_.relationIds[RELATION_ANTONYM][RELATION_BIG5], antonyms->id);
        EXPECT_FALSE(outcome_.newSystemDatabase);
        ObjectEnv env = env_;
        env.objectKind = OBJECT_DATABASE;
        ASSERT_EQ(DeleteDatabaseInfo(&env, antonyms->id, "", ""), 1);
    }
}

TEST_F(RelationDatabases, ExistingDatabaseOfAnotherCharsetIsNotRefilled) {
    WritePackageFile("synonym.dic", "快\n");
    uint32_t id = NewDatabase("SYNONYM_GB", DB_KIND_SYNONYM, CHARSET_CODE_BIG5);
    run_.choices.dictionaryMode = 1;
    SetFault("ZKF_DeleteDBRecords,ZKF_LoadDBRecords");
    std::string output;
    ASSERT_EQ(Create(CHARSET_CODE_GB18030, &output), 1) << LastErrorText();
    EXPECT_EQ(output, "");
    EXPECT_EQ(outcome_.relationIds[RELATION_SYNONYM][RELATION_GB], 0u);
    EXPECT_NE(id, 0u);
}

TEST_F(RelationDatabases, EachFailingCallStopsWithItsError) {
    const char* const faults[] = {"GetDatabaseInfo",   "NewDatabaseInfo",     "NewDColumnInfo", "ZKF_CreateDB",
                                  "ZKF_LoadDBRecords", "UpdateBaseRecordNum", "ZKF_OptimizeDB"};
    for (const char* fault : faults) {
        SCOPED_TRACE(fault);
        WriteAllSources();
        SetFault(fault);
        std::string output;
        EXPECT_EQ(Create(CHARSET_CODE_GB18030, &output), 0);
        EXPECT_EQ(Z_GetLastError(), Z_ERROR_INJECTED) << LastErrorText();
        SetFault("");
        // Nothing later in the table was touched, and the database the
        // failure hit was taken away again: a rerun makes it whole.
        EXPECT_EQ(FindDatabase("SYSTEM", "ANTONYM_GB"), nullptr);
        EXPECT_EQ(FindDatabase("SYSTEM", "THESAURUS_GB"), nullptr);
        // Start the next case from an empty dictionary of relations.
        for (const char* name : {"THESAURUS_GB", "SYNONYM_GB"}) {
            const DatabaseRecord* left = FindDatabase("SYSTEM", name);
            if (left == nullptr) continue;
            ObjectEnv env = env_;
            env.objectKind = OBJECT_DATABASE;
            ASSERT_EQ(DeleteDatabaseInfo(&env, left->id, "", ""), 1);
        }
    }
}

TEST_F(RelationDatabases, FailedEmptyingStopsTheRefill) {
    WritePackageFile("antonym.dic", "大\n小\n");
    std::string output;
    ASSERT_EQ(Create(CHARSET_CODE_GB18030, &output), 1) << LastErrorText();
    run_.choices.dictionaryMode = 1;
    SetFault("ZKF_DeleteDBRecords");
    EXPECT_EQ(Create(CHARSET_CODE_GB18030, &output), 0);
    EXPECT_EQ(Z_GetLastError(), Z_ERROR_INJECTED);
    // A database this run did not make stays, even when its refill failed.
    SetFault("ZKF_LoadDBRecords");
    EXPECT_EQ(Create(CHARSET_CODE_GB18030, &output), 0);
    SetFault("");
    EXPECT_NE(FindDatabase("SYSTEM", "ANTONYM_GB"), nullptr);
}

TEST_F(RelationDatabases, FailedNativeCharsetQueryStopsUtf8) {
    WriteAllSources();
    SetFault("SetSystemCharset");
    std::string output;
    EXPECT_EQ(Create(CHARSET_CODE_UTF8, &output), 0);
    EXPECT_EQ(Z_GetLastError(), Z_ERROR_INJECTED);
}

}  // namespace
}  // namespace dictionary_test
