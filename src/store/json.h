// A small bounded JSON: the classroom server reads requests and writes answers with it, and the
// game's remote store writes requests and reads answers.
#pragma once
#include <cstddef>
#include <string>
#include <vector>

#include "store/records.h"

// Texts are the game's bytes (code page 437). In JSON each byte b travels as the character U+00bb,
// so a text is any JSON string whose characters are all below U+0100; the writer escapes every
// byte outside printable ASCII as \u00XX, so its output is plain ASCII.
struct JsonValue {
    enum class Kind { Null, Bool, Number, String, Array, Object };
    Kind kind = Kind::Null;
    bool flag = false;
    double number = 0;
    std::string text;
    std::vector<JsonValue> items;   // an array's elements, or an object's member values in order
    std::vector<std::string> keys;  // an object's member names, one per item
};

// Limits of the reader: a request never needs more, and a hostile one cannot make the server
// build more than this.
constexpr int JsonMaxDepth = 8;
constexpr std::size_t JsonMaxValues = 40000;
constexpr std::size_t JsonMaxTextBytes = 4096;

// Reads one JSON document (whitespace around it allowed, nothing after it). False on anything that
// is not strict JSON, on a character above U+00FF, on a duplicate key, a number that is not finite,
// or a document beyond the limits above; value is then unspecified.
bool parseJson(const std::string& source, JsonValue& value);

// The member named key of an object, or null when there is none or value is no object.
const JsonValue* jsonMember(const JsonValue& value, const char* key);

// Appending JSON to out. Numbers that are not finite are written as 0: JSON has no other word.
void writeJsonText(std::string& out, const std::string& bytes);
void writeJsonNumber(std::string& out, double value);
void writeJsonInt(std::string& out, long long value);

// A race record as the server and the game's remote store exchange it: {"name","car","time",
// "topSpeed","averageSpeed","samples":[[seconds, 1 or -0.5], ...]}.
void writeJsonRecord(std::string& out, const RaceRecord& record);
