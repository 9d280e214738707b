#include "record_layouts.h"

#include <cstddef>
#include <string>

#include "dictionary_records.h"

namespace zel::shell {

namespace {

constexpr FieldKind I = FieldKind::Integer;
constexpr FieldKind T = FieldKind::Text;

RecordLayout MakeDatabaseLayout() {
    RecordLayout l;
    l.fileName = "BASE.DIC";
    l.Add("id", I, offsetof(DatabaseRecord, id), 4);
    l.Add("kind", I, offsetof(DatabaseRecord, kind), 4);
    l.Add("value8", I, offsetof(DatabaseRecord, value8), 8);
    l.Add("value16", I, offsetof(DatabaseRecord, value16), 8);
    l.Add("value48", I, offsetof(DatabaseRecord, value48), 2);
    l.Add("charsetCode", I, offsetof(DatabaseRecord, charsetCode), 2);
    l.Add("value52", I, offsetof(DatabaseRecord, value52), 4);
    l.Add("recordCount", I, offsetof(DatabaseRecord, recordCount), 4);
    l.Add("value60", I, offsetof(DatabaseRecord, value60), 4);
    l.Add("value64", I, offsetof(DatabaseRecord, value64), 4);
    l.Add("value68", I, offsetof(DatabaseRecord, value68), 4);
    l.Add("value72", I, offsetof(DatabaseRecord, value72), 4);
    l.Add("value76", I, offsetof(DatabaseRecord, value76), 4);
    l.Add("indexSegmentId", I, offsetof(DatabaseRecord, indexSegmentId), 4);
    l.Add("value84", I, offsetof(DatabaseRecord, value84), 4);
    l.Add("indexStopId", I, offsetof(DatabaseRecord, indexStopId), 4);
    l.Add("value92", I, offsetof(DatabaseRecord, value92), 4);
    l.Add("value136", I, offsetof(DatabaseRecord, value136), 4);
    l.Add("value140", I, offsetof(DatabaseRecord, value140), 4);
    l.Add("value144", I, offsetof(DatabaseRecord, value144), 4);
    l.Add("value148", I, offsetof(DatabaseRecord, value148), 4);
    for (uint32_t i = 0; i < 9; ++i) {
        l.Add("bytes152[" + std::to_string(i) + "]", I, static_cast<uint32_t>(offsetof(DatabaseRecord, bytes152)) + i,
              1);
    }
    l.Add("value164", I, offsetof(DatabaseRecord, value164), 4);
    l.Add("value200", I, offsetof(DatabaseRecord, value200), 4);
    l.Add("value204", I, offsetof(DatabaseRecord, value204), 4);
    l.Add("name", T, offsetof(DatabaseRecord, name), NAME_FIELD);
    l.Add("owner", T, offsetof(DatabaseRecord, owner), NAME_FIELD);
    l.Add("text96", T, offsetof(DatabaseRecord, text96), TEXT_FIELD);
    l.Add("text104", T, offsetof(DatabaseRecord, text104), TEXT_FIELD);
    l.Add("text112", T, offsetof(DatabaseRecord, text112), TEXT_FIELD);
    l.Add("text120", T, offsetof(DatabaseRecord, text120), TEXT_FIELD);
    l.Add("text128", T, offsetof(DatabaseRecord, text128), TEXT_FIELD);
    l.Add("directory", T, offsetof(DatabaseRecord, directory), PATH_FIELD);
    l.Add("text176", T, offsetof(DatabaseRecord, text176), PATH_FIELD);
    l.Add("description", T, offsetof(DatabaseRecord, description), DESCRIPTION_FIELD);
    return l;
}

RecordLayout MakeColumnLayout() {
    RecordLayout l;
    l.fileName = "BASECOL.DIC";
    l.Add("number", I, offsetof(ColumnRecord, number), 2);
    l.Add("value2", I, offsetof(ColumnRecord, value2), 2);
    l.Add("value4", I, offsetof(ColumnRecord, value4), 4);
    l.Add("type", I, offsetof(ColumnRecord, type), 4);
    l.Add("value28", I, offsetof(ColumnRecord, value28), 4);
    l.Add("databaseId", I, offsetof(ColumnRecord, databaseId), 4);
    l.Add("value44", I, offsetof(ColumnRecord, value44), 4);
    l.Add("value80", I, offsetof(ColumnRecord, value80), 2);
    l.Add("value82", I, offsetof(ColumnRecord, value82), 2);
    l.Add("value84", I, offsetof(ColumnRecord, value84), 2);
    for (uint32_t i = 0; i < 8; ++i) {
        l.Add("bytes86[" + std::to_string(i) + "]", I, static_cast<uint32_t>(offsetof(ColumnRecord, bytes86)) + i, 1);
    }
    l.Add("flag94", I, offsetof(ColumnRecord, flag94), 1);
    l.Add("flag95", I, offsetof(ColumnRecord, flag95), 1);
    l.Add("flag96", I, offsetof(ColumnRecord, flag96), 1);
    l.Add("flag97", I, offsetof(ColumnRecord, flag97), 1);
    l.Add("flag98", I, offsetof(ColumnRecord, flag98), 1);
    l.Add("name", T, offsetof(ColumnRecord, name), NAME_FIELD);
    l.Add("text16", T, offsetof(ColumnRecord, text16), TEXT_FIELD);
    l.Add("text32", T, offsetof(ColumnRecord, text32), TEXT_FIELD);
    l.Add("text48", T, offsetof(ColumnRecord, text48), TEXT_FIELD);
    l.Add("text56", T, offsetof(ColumnRecord, text56), TEXT_FIELD);
    l.Add("text64", T, offsetof(ColumnRecord, text64), TEXT_FIELD);
    l.Add("text72", T, offsetof(ColumnRecord, text72), TEXT_FIELD);
    l.Add("text104", T, offsetof(ColumnRecord, text104), PATH_FIELD);
    l.Add("text112", T, offsetof(ColumnRecord, text112), TEXT_FIELD);
    l.Add("description", T, offsetof(ColumnRecord, description), DESCRIPTION_FIELD);
    return l;
}

RecordLayout MakeDataFormatLayout() {
    RecordLayout l;
    l.fileName = "FORMAT.DIC";
    l.Add("id", I, offsetof(DataFormatRecord, id), 2);
    l.Add("flag", I, offsetof(DataFormatRecord, flag), 1);
    l.Add("name", T, offsetof(DataFormatRecord, name), NAME_FIELD);
    l.Add("className", T, offsetof(DataFormatRecord, className), NAME_FIELD);
    l.Add("extensions", T, offsetof(DataFormatRecord, extensions), DESCRIPTION_FIELD);
    l.Add("description", T, offsetof(DataFormatRecord, description), DESCRIPTION_FIELD);
    return l;
}

RecordLayout MakeSystemConfigLayout() {
    RecordLayout l;
    l.fileName = "CONFIG.DIC";
    l.diskSize = CONFIG_OWN_AREA;
    l.Add("memory", I, offsetof(SystemConfigRecord, memory), 2);
    l.Add("value10", I, offsetof(SystemConfigRecord, value10), 2);
    l.Add("value12", I, offsetof(SystemConfigRecord, value12), 2);
    l.Add("value14", I, offsetof(SystemConfigRecord, value14), 2);
    l.Add("value16", I, offsetof(SystemConfigRecord, value16), 2);
    l.Add("field18", I, offsetof(SystemConfigRecord, field18), 2);
    l.Add("field20", I, offsetof(SystemConfigRecord, field20), 2);
    l.Add("value22", I, offsetof(SystemConfigRecord, value22), 2);
    l.Add("value24", I, offsetof(SystemConfigRecord, value24), 4);
    l.Add("byte28", I, offsetof(SystemConfigRecord, byte28), 1);
    l.Add("byte29", I, offsetof(SystemConfigRecord, byte29), 1);
    l.Add("byte30", I, offsetof(SystemConfigRecord, byte30), 1);
    l.Add("value32", I, offsetof(SystemConfigRecord, value32), 2);
    l.Add("text0", T, offsetof(SystemConfigRecord, text0), PATH_FIELD);
    l.Add("text48", T, offsetof(SystemConfigRecord, text48), PATH_FIELD);
    l.Add("text56", T, offsetof(SystemConfigRecord, text56), PATH_FIELD);
    l.Add("text64", T, offsetof(SystemConfigRecord, text64), PATH_FIELD);
    return l;
}

}  // namespace

const RecordLayout& DatabaseLayout() {
    static const RecordLayout layout = MakeDatabaseLayout();
    return layout;
}

const RecordLayout& ColumnLayout() {
    static const RecordLayout layout = MakeColumnLayout();
    return layout;
}

const RecordLayout& DataFormatLayout() {
    static const RecordLayout layout = MakeDataFormatLayout();
    return layout;
}

const RecordLayout& SystemConfigLayout() {
    static const RecordLayout layout = MakeSystemConfigLayout();
    return layout;
}

}  // namespace zel::shell
