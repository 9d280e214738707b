#include "profile_key_tables.h"

#include <cstdio>
#include <utility>

namespace {

constexpr const char* indexCacheKeys[] = {
    "LowLimit=",
    "MediumLimit=",
    "HighLimit=",
    "MemorySize=",
    "DiskSize=",
    "MemoryFS=",
    "WordLoad=",
    "Expression=",
    "Preload=",
    "",
};

constexpr const char* maintainKeys[] = {
    "BTCacheEnable=",
    "IDXAsyncLimit=",
    "IDXAsyncDelay=",
    "IDXAsyncIdled=",
    "FileSyncFlush=",
    "BitsMapFilter=",
    "IdleTaskRules=",
    "IdleTimeUsers=",
    "IdleTaskAbort=",
    "IndexRuleWord=",
    "IndexCompress=",
    "LastPathPrior=",
    "FileIdleReuse=",
    "NiceSleepTime=",
    "RelevanceNorm=",
    "OEMFilterMute=",
    "IDXStoreFreqs=",
    "IDXStoreNorms=",
    "SplitAlphaNum=",
    "ParallelIndex=",
    "",
};

constexpr const char* retrievalKeys[] = {
    "ParallelLimit=",
    "RelevanceMode=",
    "SortAlwaysMax=",
    "ShowWordLimit=",
    "HFIgnoreLimit=",
    "MaxVirtualSet=",
    "HitPointExact=",
    "IgnoreSenPunct=",
    "IgnorePunct=",
    "ClassStatLimit=",
    "ExpressHeight=",
    "SortValidSize=",
    "SortPruneSize=",
    "PrecacheFiles=",
    "VirtualResult=",
    "DummyColPrior=",
    "MaxFuzzyMatch=",
    "ExtraWeighted=",
    "FocusWeighted=",
    "",
};

constexpr const char* networkKeys[] = {
    "ConnectCache=",
    "TimeWaitMust=",
    "ConnectUserIP=",
    "WideAreaLogin=",
    "",
};

constexpr const char* concurrentKeys[] = {
    "RoutineLimit=",
    "",
};

constexpr const char* autoViewKeys[] = {
    "SplitLimit=",
    "InheritPath=",
    "InheritDict=",
    "",
};

constexpr const char* autoBatchKeys[] = {
    "ProgramStart=",
    "ProgramClose=",
    "",
};

constexpr const char* autoRebootKeys[] = {
    "PermitClock=",
    "ForbidClock=",
    "LeastPeriods=",
    "ShutdownCall=",
    "",
};

constexpr const char* backgroundKeys[] = {
    "JoinCluster=",
    "ClusterIP=",
    "PortalUser=",
    "CPUWeight=",
    "DiskWeight=",
    "",
};

struct SectionKeys {
    const char* section;
    const char* const* keys;  // each key with its "=", ended by ""
};

constexpr SectionKeys kSections[PROFILE_KEY_TABLE_COUNT] = {
    {"IndexCache", indexCacheKeys},
    {"Maintain", maintainKeys},
    {"Retrieval", retrievalKeys},
    {"Network", networkKeys},
    {"Concurrent", concurrentKeys},
    {"AutoView", autoViewKeys},
    {"AutoBatch", autoBatchKeys},
    {"AutoReboot", autoRebootKeys},
    {"Background", backgroundKeys},
};

}  // namespace

ProfileKeyTables::ProfileKeyTables() {
    for (const SectionKeys& section : kSections) {
        Table table;
        table.section = section.section;
        const char* const* key = section.keys;
        do {
            ProfileKeyRow row{};
            std::snprintf(row.line, sizeof row.line, "%s", *key);
            table.rows.push_back(row);
        } while ((*key++)[0] != '\0');
        tables_.push_back(std::move(table));
    }
}

ProfileKeyRow* ProfileKeyTables::Find(const char* section) {
    for (Table& table : tables_) {
        if (ZSTRCMPI(table.section, section) == 0) return table.rows.data();
    }
    return nullptr;
}
