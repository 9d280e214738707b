#include "lexicon_entries.h"

#include <algorithm>
#include <iterator>

#include "charset_codec.h"
#include "data_file.h"
#include "kernel_failure.h"
#include "kernel_files.h"
#include "percent_steps.h"
#include "text_convert.h"
#include "zelkit.h"

namespace zel::kernel {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// The first field of a word list line; empty for blank and comment lines.
std::string_view FirstField(std::string_view line) {
    size_t start = 0;
    while (start < line.size() && IsBlank(line[start])) ++start;
    if (start == line.size() || line[start] == '#') return {};
    size_t end = start;
    while (end < line.size() && !IsBlank(line[end])) ++end;
    return line.substr(start, end - start);
}

}  // namespace

void LexiconEntries::Reserve(size_t bytes, size_t entries) {
    arena_.reserve(bytes);
    spans_.reserve(entries);
}

void LexiconEntries::Add(std::string_view entry) {
    size_t start = arena_.size();
    arena_.append(entry);
    EndEntry(start);
}

std::vector<std::string_view> LexiconEntries::InOrder() const {
    std::vector<std::string_view> entries;
    entries.reserve(spans_.size());
    for (const Span& span : spans_) entries.emplace_back(arena_.data() + span.offset, span.length);
    return entries;
}

std::vector<std::string_view> LexiconEntries::SortedUnique() const {
    // Most words fit in eight bytes: comparing their first eight bytes as one
    // number settles nearly every comparison without a byte-by-byte compare.
    // Padding with zero bytes keeps the byte order; ties compare in full.
    struct Keyed {
        uint64_t prefix;
        std::string_view entry;
    };
    std::vector<Keyed> keyed;
    keyed.reserve(spans_.size());
    for (const Span& span : spans_) {
        const auto* bytes = reinterpret_cast<const unsigned char*>(arena_.data() + span.offset);
        uint64_t prefix = 0;
        for (size_t i = 0; i < 8; ++i) prefix = (prefix << 8) | (i < span.length ? bytes[i] : 0u);
        keyed.push_back({prefix, std::string_view(arena_.data() + span.offset, span.length)});
    }
    std::sort(keyed.begin(), keyed.end(), [](const Keyed& a, const Keyed& b) {
        return a.prefix != b.prefix ? a.prefix < b.prefix : a.entry < b.entry;
    });
    std::vector<std::string_view> entries;
    entries.reserve(keyed.size());
    for (const Keyed& item : keyed) {
        if (entries.empty() || entries.back() != item.entry) entries.push_back(item.entry);
    }
    return entries;
}

bool ReadLexiconSource(const char* operation, const std::string& path, int charset, LexiconProgressFunction progress,
                       LexiconEntries* entries) {
    const int there = FileThere(operation, path);
    if (there < 0) return false;
    if (there == 0) return Fail(operation, Z_ERROR_NOT_FOUND, "the source file %s does not exist", path.c_str());
    std::string contents;
    if (!ReadWholeFile(operation, path, &contents)) return false;
    std::string_view text = WithoutByteOrderMark(contents);
    // Entries are shorter than their lines; a line is rarely under 8 bytes.
    entries->Reserve(text.size(), text.size() / 8);

    PercentSteps steps(text.size());
    LineCursor cursor(text);
    std::string_view line;
    while (cursor.Next(&line)) {
        std::string_view field = FirstField(line);
        if (!field.empty()) {
            size_t start = entries->Buffer()->size();
            switch (AppendConverted(field, charset, entries->Buffer())) {
                case Conversion::kConverted: entries->EndEntry(start); break;
                case Conversion::kUnencodable: ++entries->unencodable; break;
                case Conversion::kInvalid:
                    return Fail(operation, Z_ERROR_CHARSET, "line %llu of %s is not UTF-8 text",
                                Number(cursor.LineNumber()), path.c_str());
            }
        }
        if (progress != nullptr) {
            int percent = steps.Advance(cursor.Position());
            if (percent > 0) progress(0, percent);
        }
    }
    return true;
}

bool CollectIdeographs(const char* operation, int charset, LexiconEntries* entries) {
    if (charset != Z_CHARSET_GB18030 && charset != Z_CHARSET_BIG5 && charset != Z_CHARSET_UTF8) {
        return Fail(operation, Z_ERROR_BAD_ARGUMENT,
                    "no character set is assigned for the all-ideograph lexicon (charset %d)", charset);
    }
    entries->Reserve(100000 * 4, 100000);
    zel::charset::ForEachCjkIdeograph([&](char32_t codePoint) {
        unsigned char encoded[4];
        int length = zel::charset::EncodeChar(charset, codePoint, encoded);
        if (length > 0) {
            entries->Add(std::string_view(reinterpret_cast<const char*>(encoded), static_cast<size_t>(length)));
        }
    });
    return true;
}

std::vector<std::string_view> MergeSorted(const std::vector<std::string_view>& a,
                                          const std::vector<std::string_view>& b) {
    std::vector<std::string_view> merged;
    merged.reserve(a.size() + b.size());
    std::set_union(a.begin(), a.end(), b.begin(), b.end(), std::back_inserter(merged));
    return merged;
}

}  // namespace zel::kernel
