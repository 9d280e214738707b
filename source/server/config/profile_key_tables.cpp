#include "profile_key_tables.h"

#include <cstring>

namespace {

ProfileKeyRow indexCacheKeys[] = {
    {0, "LowLimit="},
    {0, "MediumLimit="},
    {0, "HighLimit="},
    {0, "MemorySize="},
    {0, "DiskSize="},
    {0, "MemoryFS="},
    {0, "WordLoad="},
    {0, "Expression="},
    {0, "Preload="},
    {0, ""},
};

ProfileKeyRow maintainKeys[] = {
    {0, "BTCacheEnable="},
    {0, "IDXAsyncLimit="},
    {0, "IDXAsyncDelay="},
    {0, "IDXAsyncIdled="},
    {0, "FileSyncFlush="},
    {0, "BitsMapFilter="},
    {0, "IdleTaskRules="},
    {0, "IdleTimeUsers="},
    {0, "IdleTaskAbort="},
    {0, "IndexRuleWord="},
    {0, "IndexCompress="},
    {0, "LastPathPrior="},
    {0, "FileIdleReuse="},
    {0, "NiceSleepTime="},
    {0, "RelevanceNorm="},
    {0, "OEMFilterMute="},
    {0, "IDXStoreFreqs="},
    {0, "IDXStoreNorms="},
    {0, "SplitAlphaNum="},
    {0, "ParallelIndex="},
    {0, ""},
};

ProfileKeyRow retrievalKeys[] = {
    {0, "ParallelLimit="},
    {0, "RelevanceMode="},
    {0, "SortAlwaysMax="},
    {0, "ShowWordLimit="},
    {0, "HFIgnoreLimit="},
    {0, "MaxVirtualSet="},
    {0, "HitPointExact="},
    {0, "IgnoreSenPunct="},
    {0, "IgnorePunct="},
    {0, "ClassStatLimit="},
    {0, "ExpressHeight="},
    {0, "SortValidSize="},
    {0, "SortPruneSize="},
    {0, "PrecacheFiles="},
    {0, "VirtualResult="},
    {0, "DummyColPrior="},
    {0, "MaxFuzzyMatch="},
    {0, "ExtraWeighted="},
    {0, "FocusWeighted="},
    {0, ""},
};

ProfileKeyRow networkKeys[] = {
    {0, "ConnectCache="},
    {0, "TimeWaitMust="},
    {0, "ConnectUserIP="},
    {0, "WideAreaLogin="},
    {0, ""},
};

ProfileKeyRow concurrentKeys[] = {
    {0, "RoutineLimit="},
    {0, ""},
};

ProfileKeyRow autoViewKeys[] = {
    {0, "SplitLimit="},
    {0, "InheritPath="},
    {0, "InheritDict="},
    {0, ""},
};

ProfileKeyRow autoBatchKeys[] = {
    {0, "ProgramStart="},
    {0, "ProgramClose="},
    {0, ""},
};

ProfileKeyRow autoRebootKeys[] = {
    {0, "PermitClock="},
    {0, "ForbidClock="},
    {0, "LeastPeriods="},
    {0, "ShutdownCall="},
    {0, ""},
};

ProfileKeyRow backgroundKeys[] = {
    {0, "JoinCluster="},
    {0, "ClusterIP="},
    {0, "PortalUser="},
    {0, "CPUWeight="},
    {0, "DiskWeight="},
    {0, ""},
};

}  // namespace

const ProfileKeyTable g_profileKeyTables[PROFILE_KEY_TABLE_COUNT] = {
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

ProfileKeyRow* FindProfileKeyTable(const char* section) {
    for (const ProfileKeyTable& table : g_profileKeyTables) {
        if (ZSTRCMPI(table.section, section) == 0) {
            return table.rows;
        }
    }
    return nullptr;
}

void ResetProfileKeyTables() {
    for (const ProfileKeyTable& table : g_profileKeyTables) {
        for (ProfileKeyRow* row = table.rows; row->line[0] != '\0'; ++row) {
            row->present = 0;
            char* equals = std::strchr(row->line, '=');
            equals[1] = '\0';
        }
    }
}
