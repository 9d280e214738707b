// JSON text for the run's report, written in one go. Strings are taken as
// the system gives names (UTF-8 off Windows, the console's code page on
// it): valid UTF-8 passes as it is, and every byte that is not part of a
// valid UTF-8 sequence is written as \u00XX of its value, so that the
// text is always valid JSON and no name is lost or cut.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The JSON string literal for text, quotes included.
std::string JsonString(std::string_view text);

class JsonWriter {
public:
    void BeginObject() { Open('{'); }
    void EndObject() { Close('}'); }
    void BeginArray() { Open('['); }
    void EndArray() { Close(']'); }
    // The name of the next member of the object being written.
    void Key(std::string_view name);
    void String(std::string_view text);
    void Number(int64_t value);
    void Number(double value);
    void Bool(bool value);

    // The text, ending with a line end once the outermost value is closed.
    const std::string& Text() const { return text_; }

private:
    void Open(char bracket);
    void Close(char bracket);
    void BeforeValue();

    std::string text_;
    // Per open object or array: whether it holds a value yet.
    std::vector<bool> filled_;
    bool afterKey_ = false;
};
