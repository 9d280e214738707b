// The report's JSON text: every string a valid JSON string of valid UTF-8,
// whatever bytes a name of the system holds.
#include <gtest/gtest.h>

#include <string>

#include "json_writer.h"

namespace {

TEST(JsonString, EscapesWhatJsonReservesAndKeepsValidUtf8) {
    const struct {
        std::string text;
        std::string json;
    } rows[] = {
        {"", "\"\""},
        {"C:\\zel\\home", "\"C:\\\\zel\\\\home\""},
        {"say \"hi\"", "\"say \\\"hi\\\"\""},
        {"a\nb\rc\td", "\"a\\nb\\rc\\td\""},
        {std::string("\x01\x1f\x7f", 3), "\"\\u0001\\u001F\\u007F\""},
        {std::string("nul\0in", 6), "\"nul\\u0000in\""},
        {"\xE4\xB8\xAD\xE6\x96\x87", "\"\xE4\xB8\xAD\xE6\x96\x87\""},  // two ideographs
        {"\xF0\x9F\x98\x80", "\"\xF0\x9F\x98\x80\""},                  // past the BMP
        {"/", "\"/\""},
    };
    for (const auto& row : rows) EXPECT_EQ(JsonString(row.text), row.json) << row.json;
}

// Bytes of a code page (936 here) and broken sequences: each byte that is
// not part of valid UTF-8 becomes \u00XX, the rest stays.
TEST(JsonString, WritesEachByteOutsideValidUtf8AsItsValue) {
    const struct {
        std::string text;
        std::string json;
    } rows[] = {
        {"\xD6\xD0\xCE\xC4", "\"\\u00D6\\u00D0\\u00CE\\u00C4\""},  // "zhongwen" in code page 936
        {"a\x80z", "\"a\\u0080z\""},                               // a stray continuation byte
        {"\xE4\xB8", "\"\\u00E4\\u00B8\""},                        // cut short at the end
        {"\xE4\xB8x", "\"\\u00E4\\u00B8x\""},                      // cut short before a letter
        {"\xC0\xAF", "\"\\u00C0\\u00AF\""},                        // an overlong '/'
        {"\xE0\x80\xAF", "\"\\u00E0\\u0080\\u00AF\""},             // overlong in three bytes
        {"\xED\xA0\x80", "\"\\u00ED\\u00A0\\u0080\""},             // a surrogate
        {"\xF4\x90\x80\x80", "\"\\u00F4\\u0090\\u0080\\u0080\""},  // past U+10FFFF
        {"\xFF\xFE", "\"\\u00FF\\u00FE\""},
    };
    for (const auto& row : rows) EXPECT_EQ(JsonString(row.text), row.json) << row.json;
}

TEST(JsonWriter, NestsObjectsAndArraysWithCommasBetweenMembers) {
    JsonWriter json;
    json.BeginObject();
    json.Key("a");
    json.Number(static_cast<int64_t>(-3));
    json.Key("list");
    json.BeginArray();
    json.String("x");
    json.BeginObject();
    json.Key("k");
    json.Bool(false);
    json.EndObject();
    json.BeginArray();
    json.EndArray();
    json.EndArray();
    json.Key("d");
    json.Number(1.5);
    json.EndObject();
    EXPECT_EQ(json.Text(), "{\n  \"a\":-3,\n  \"list\":[\"x\",{\"k\":false},[]],\n  \"d\":1.500\n}\n");
}

}  // namespace
