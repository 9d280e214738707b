#include "home_copy.h"

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "home_paths.h"
#include "run_record_file.h"
#include "zelkit.h"

namespace zelhome {

namespace fs = std::filesystem;

namespace {

std::string LastError() {
    const char* text = Z_GetLastErrorPrompt(nullptr, 0);
    return text != nullptr ? text : "";
}

std::string Joined(const std::string& folder, const std::string& name) {
    return folder + Z_PATH_SEPARATOR + name;
}

bool CopyFolder(const fs::path& from, const fs::path& to, std::string* message) {
    std::error_code error;
    fs::create_directories(to, error);
    if (error) {
        *message = DisplayText(to) + ": cannot be made: " + error.message();
        return false;
    }
    std::vector<fs::path> entries;
    for (fs::directory_iterator it(from, error), end; !error && it != end; it.increment(error)) {
        entries.push_back(it->path());
    }
    if (error) {
        *message = DisplayText(from) + ": cannot be listed: " + error.message();
        return false;
    }
    for (const fs::path& entry : entries) {
        const fs::path target = to / entry.filename();
        ZFileInfo info{};
        // What the upgrade would find there, by the link rule; a refused
        // link is no file of the home's for the run.
        if (!Z_GetFileInfo(DisplayText(entry).c_str(), 0, &info)) {
            if (Z_GetLastError() == Z_ERROR_UNSAFE_LINK) continue;
            *message = LastError();
            return false;
        }
        if (info.kind == Z_FILE_DIRECTORY) {
            if (!CopyFolder(entry, target, message)) return false;
        } else if (info.kind == Z_FILE_REGULAR) {
            fs::copy_file(entry, target, fs::copy_options::overwrite_existing, error);
            if (error) {
                *message = DisplayText(entry) + ": cannot be copied: " + error.message();
                return false;
            }
        }
    }
    return true;
}

std::string Identity(const std::string& path) {
    ZFileInfo info{};
    if (!Z_GetFileInfo(path.c_str(), 0, &info)) return "";
    return std::to_string(info.volume) + ":" + std::to_string(info.index);
}

bool ReadRecord(const std::string& path, std::string* text, std::string* message) {
    HZFILE file = Z_OpenFile(path.c_str(), Z_MODE_READ, 0, nullptr, Z_OWN_FILE);
    if (file == nullptr) {
        *message = LastError();
        return false;
    }
    char buffer[4096];
    const int64_t count = Z_ReadFile(file, buffer, sizeof buffer, 0);
    const bool read = Z_FileError(file) == 0;
    Z_CloseFile(file);
    if (!read) {
        *message = LastError();
        return false;
    }
    text->assign(buffer, static_cast<size_t>(count));
    return true;
}

}  // namespace

bool CopyHome(const std::string& home, const std::string& copy, std::string* message) {
    return CopyFolder(PathFromText(home), PathFromText(copy), message);
}

bool PutBackCopysJournal(const std::string& copy, bool* putBack, std::string* message) {
    *putBack = false;
    const std::string record = Joined(Joined(copy, "system"), "UPGRADE.RUN");
    const std::string journal = Joined(record, "JOURNAL");
    const std::string runIni = Joined(record, "RUN.INI");
    // Anything under the record's name counts: its reader never follows a
    // link there, and says why.
    const int there = Z_NameExists(runIni.c_str());
    if (there < 0) *message = LastError();
    if (there <= 0) return there == 0;
    std::string text;
    RunRecordValues values;
    std::string why;
    if (!ReadRecord(runIni, &text, message)) return false;
    if (!ParseRunRecord(text, &values, &why)) {
        *message = "the record of an interrupted upgrade is damaged: " + runIni + ": " + why;
        return false;
    }
    const bool hasJournal = Z_HasFileJournal(journal.c_str()) != 0;
    // Its flush and its discard share one object: what the one flushed, the
    // other does not flush again.
    const std::unique_ptr<ZJournalObject, void (*)(HZJOURNAL)> left(
        hasJournal ? Z_FileJournalAt(journal.c_str()) : nullptr, Z_FreeFileJournal);
    if (hasJournal) {
        // The record is checked whole before anything of it is obeyed, and
        // it is obeyed within the copy only.
        if (!Z_UndoFileJournal(journal.c_str(), copy.c_str()) ||
            !Z_FlushFileJournal(left.get(), journal.c_str(), copy.c_str())) {
            *message = "the record of an interrupted upgrade cannot be put back: " + LastError();
            return false;
        }
        *putBack = true;
    }
    // A fill, not a copy of a literal: GCC 12 at -O3 takes the latter for an
    // overlapping copy here.
    values["Journal"].assign(1, '0');
    values["Home"] = Identity(copy);
    const std::string updated = FormatRunRecord(values);
    if (!Z_WriteWholeFile(runIni.c_str(), updated.data(), static_cast<int64_t>(updated.size()), Z_OWN_FILE) ||
        (hasJournal && !Z_DiscardFileJournal(left.get(), journal.c_str(), copy.c_str()))) {
        *message = LastError();
        return false;
    }
    return true;
}

}  // namespace zelhome
