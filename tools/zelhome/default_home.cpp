#include "default_home.h"

#include "dict_files.h"

namespace zelhome {

namespace {

// The dictionary of a release 4.0 server: lexicons under their old names
// (BIG for BIG5, CHINESE_ALL for IDEO_ALL, STOP_ENG), a BIG5 thesaurus whose
// main column still lacks its kernel flag, the obsolete SDIBOOK, and user
// databases indexed with SEGMENT_GB and STOP_GB.
const char* const DEFAULT_DICTIONARY = R"json({
  "native_charset": 0,
  "config": {
    "memory": 64, "field18": 24, "field20": 24,
    "charsets": [{"code": 32, "segment": 3, "stop": 4, "thesaurus": 7, "synonym": 0, "antonym": 0}]
  },
  "databases": [
    {"id": 1, "owner": "SYSTEM", "name": "SEGMENT_GB", "kind": "0x200000", "charset": "0x10", "records": 120,
     "directory": "dict", "description": "This is system segment dictionary",
     "data": {"exists": true, "records": 120, "indexed": false}},
    {"id": 2, "owner": "SYSTEM", "name": "STOP_GB", "kind": "0x400000", "charset": "0x10", "records": 30,
     "directory": "dict", "description": "This is system stop dictionary",
     "data": {"exists": true, "records": 30, "indexed": false}},
    {"id": 3, "owner": "SYSTEM", "name": "SEGMENT_BIG", "kind": "0x200000", "charset": "0x20", "records": 100,
     "directory": "dict", "description": "This is system segment dictionary",
     "data": {"exists": true, "records": 100, "indexed": false}},
    {"id": 4, "owner": "SYSTEM", "name": "STOP_BIG", "kind": "0x400000", "charset": "0x20", "records": 25,
     "directory": "dict", "description": "This is system stop dictionary",
     "data": {"exists": true, "records": 25, "indexed": false}},
    {"id": 5, "owner": "SYSTEM", "name": "STOP_ENG", "kind": "0x400000", "charset": "0x30", "records": 40,
     "directory": "dict", "description": "This is system stop dictionary",
     "data": {"exists": true, "records": 40, "indexed": false}},
    {"id": 6, "owner": "SYSTEM", "name": "CHINESE_ALL_GB", "kind": "0x200000", "charset": "0x10", "records": 200,
     "directory": "dict", "description": "This is system all-chinese dictionary",
     "data": {"exists": true, "records": 200, "indexed": false}},
    {"id": 7, "owner": "SYSTEM", "name": "THESAURUS_BIG", "kind": "0x700000", "charset": "0x20", "records": 12,
     "directory": "dict", "description": "This is system thesaurus",
     "columns": [
       {"number": 1, "name": "CTM", "type": "0x60", "byte84": 60, "flags": [1, 0, 0, 0, 1], "description": "This is CTM of thesaurus"},
       {"number": 2, "name": "CLT", "type": "0x60", "byte84": 60, "flags": [1, 1, 0, 0, 0], "description": "This is CLT of thesaurus"},
       {"number": 3, "name": "CBT", "type": "0x60", "byte84": 60, "flags": [1, 1, 0, 0, 0], "description": "This is CBT of thesaurus"},
       {"number": 4, "name": "CNT", "type": "0x60", "byte84": 60, "flags": [1, 1, 0, 0, 0], "description": "This is CNT of thesaurus"},
       {"number": 5, "name": "CPT", "type": "0x60", "byte84": 60, "flags": [1, 1, 0, 0, 0], "description": "This is CPT of thesaurus"},
       {"number": 6, "name": "CUF", "type": "0x60", "byte84": 60, "flags": [1, 1, 0, 0, 0], "description": "This is CUF of thesaurus"},
       {"number": 7, "name": "CCC", "type": "0x60", "byte84": 60, "flags": [1, 1, 0, 0, 0], "description": "This is CCC of thesaurus"},
       {"number": 8, "name": "CAB", "type": "0x60", "byte84": 60, "flags": [1, 1, 0, 0, 0], "description": "This is CAB of thesaurus"},
       {"number": 9, "name": "CABF", "type": "0x60", "byte84": 60, "flags": [1, 1, 0, 0, 0], "description": "This is CABF of thesaurus"},
       {"number": 10, "name": "CRT", "type": "0x60", "byte84": 60, "flags": [1, 1, 0, 0, 0], "description": "This is CRT of thesaurus"},
       {"number": 11, "name": "CHN", "type": "0x60", "byte84": 60, "flags": [1, 1, 0, 0, 0], "description": "This is CHN of thesaurus"},
       {"number": 12, "name": "CSN", "type": "0x60", "byte84": 60, "flags": [1, 1, 0, 0, 0], "description": "This is CSN of thesaurus"},
       {"number": 13, "name": "CLE", "type": "0x60", "byte84": 60, "flags": [1, 1, 0, 0, 0], "description": "This is CLE of thesaurus"},
       {"number": 14, "name": "CPCC", "type": "0x60", "byte84": 60, "flags": [1, 1, 0, 0, 0], "description": "This is CPCC of thesaurus"}
     ],
     "data": {"exists": true, "records": 12, "indexed": false}},
    {"id": 8, "owner": "SYSTEM", "name": "SDIBOOK", "kind": "0x300000", "charset": "0x10", "records": 8,
     "directory": "dict", "description": "This is system SDI book",
     "data": {"exists": true, "records": 8, "indexed": false}},
    {"id": 9, "owner": "LIBRARY", "name": "BOOKS", "kind": "0x100000", "charset": "0x10", "records": 25,
     "index_segment": 1, "index_stop": 2, "directory": "data/library", "description": "Books of the library",
     "columns": [
       {"number": 1, "name": "TITLE", "type": "0x60", "byte84": 80, "flags": [1, 1, 0, 0, 1], "description": "Title"},
       {"number": 2, "name": "AUTHOR", "type": "0x60", "byte84": 40, "flags": [1, 1, 0, 0, 0], "description": "Author"},
       {"number": 3, "name": "YEAR", "type": "0x40", "byte84": 4, "flags": [1, 0, 0, 0, 0], "description": "Year of publication"},
       {"number": 4, "name": "BODY", "type": "0x80", "byte84": 0, "flags": [1, 1, 0, 0, 0], "description": "Full text"}
     ],
     "data": {"exists": true, "records": 25, "indexed": true}},
    {"id": 10, "owner": "NEWS", "name": "ARCHIVE", "kind": "0x100000", "charset": "0x10", "records": 40,
     "index_segment": 1, "index_stop": 2, "directory": "data/news", "description": "News archive",
     "columns": [
       {"number": 1, "name": "HEADLINE", "type": "0x60", "byte84": 120, "flags": [1, 1, 0, 0, 1], "description": "Headline"},
       {"number": 2, "name": "PUBLISHED", "type": "0x20", "byte84": 8, "flags": [1, 0, 0, 0, 0], "description": "Date of publication"},
       {"number": 3, "name": "STORY", "type": "0x80", "byte84": 0, "flags": [1, 1, 0, 0, 0], "description": "Story"}
     ],
     "data": {"exists": true, "records": 40, "indexed": true}}
  ],
  "formats": [
    {"id": 2, "flag": 1, "name": "TEXT", "class": "TEXT", "extensions": "txt", "description": "Format name of pure text files."},
    {"id": 3, "flag": 1, "name": "WORD", "class": "DOCS", "extensions": "doc;dot", "description": "Format name of Microsoft Word files."},
    {"id": 9, "flag": 1, "name": "DOC", "class": "DOCS", "extensions": "doc", "description": "Class name of documents."},
    {"id": 24, "flag": 1, "name": "HTML", "class": "DOCS", "extensions": "htm;html", "description": "Format name of HTML files."},
    {"id": 34, "flag": 1, "name": "EML", "class": "DOCS", "extensions": "eml", "description": "Format name of EML files."},
    {"id": 100, "flag": 1, "name": "MYFMT", "class": "DOCS", "extensions": "myf", "description": "我的格式 (my own format)"}
  ]
})json";

// The files of an installed release 4.0 server; configuration files and
// batch files are Windows text files.
const char* const DEFAULT_FILES = R"json({
  "bin/z40server.exe": "release 4.0 placeholder: z40server.exe\r\n",
  "bin/z40searcher.exe": "release 4.0 placeholder: z40searcher.exe\r\n",
  "bin/z40mirror.exe": "release 4.0 placeholder: z40mirror.exe\r\n",
  "bin/z40shutdown.exe": "release 4.0 placeholder: z40shutdown.exe\r\n",
  "bin/z40service.exe": "release 4.0 placeholder: z40service.exe\r\n",
  "bin/z40console.exe": "release 4.0 placeholder: z40console.exe\r\n",
  "bin/z40startup.bat": "@echo off\r\nz40server.exe 1 -block\r\nz40searcher.exe 1 -block\r\nz40mirror.exe 1 -block\r\n",
  "bin/z40cleanup.bat": "@echo off\r\nz40mirror.exe -shutdown 1\r\nz40shutdown.exe 1\r\n",
  "system/CACHE.CFG": "LowLimit=16\r\nMediumLimit=32\r\nHighLimit=64\r\nBTreeIndex=TRUE\r\nParallel=4\r\nRelevanceMode=WORD_V2\r\n",
  "system/NET.CFG": "ConnectCache=TRUE\r\nTimeWaitMust=remote\r\nMaxConcurNum=16\r\n",
  "system/LOG.CFG": "# log settings of release 4.0\r\nMAX_FILENUM     8\r\nMAX_FILESIZE    1024\r\nLOGIN           1\r\nLOGOUT          1\r\nCREATE_BASE     1\r\n",
  "system/START.INF": "ZEL4.0 server start record\r\n127.0.0.1\r\n1\r\n",
  "dict/ZEL_Single.BIG": "release 4.0 segmentation lexicon: Single, BIG5\r\n",
  "dict/ZEL_CBigram.BIG": "release 4.0 segmentation lexicon: CBigram, BIG5\r\n",
  "dict/ZEL_WBigram.BIG": "release 4.0 segmentation lexicon: WBigram, BIG5\r\n",
  "dict/ZEL_Ambiguous.BIG": "release 4.0 segmentation lexicon: Ambiguous, BIG5\r\n",
  "dict/ZEL_Single.GB": "release 4.0 segmentation lexicon: Single, GB\r\n"
})json";

// Records of the oldest view layout: every byte tells its own offset (plus
// 0x40 times the record number), so a moved field is easy to spot.
std::vector<std::string> OldestLayoutViewRecords() {
    std::vector<std::string> records;
    for (int record = 1; record <= 3; ++record) {
        std::string bytes(72, '\0');
        for (int offset = 0; offset < 72; ++offset)
            bytes[static_cast<size_t>(offset)] = static_cast<char>(record * 0x40 + offset);
        records.push_back(bytes);
    }
    return records;
}

}  // namespace

HomeDescription DefaultHome() {
    HomeDescription base;
    for (int index = 0; index < zel::shell::DICT_FILE_COUNT; ++index) {
        base.dictionaryFiles[zel::shell::DICT_FILE_NAMES[index]].title = zel::shell::OLDEST_DICT_TITLE;
    }
    base.viewRecords = OldestLayoutViewRecords();
    HomeDescription home = ParseDescription(Json::parse(DEFAULT_DICTIONARY), base);
    home.files = ParseDescription(Json{{"files", Json::parse(DEFAULT_FILES)}}, base).files;
    return home;
}

}  // namespace zelhome
