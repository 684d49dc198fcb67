#pragma once
// File names in the JSON output. JSON text is UTF-8 and a Linux name need not be, so a
// name with bytes that are not UTF-8 goes out twice: under its key as text (each such byte
// as U+FFFD) and under key + "_bytes" as its exact bytes, an array of numbers 0-255. A
// reader that needs the file takes the bytes when they are there, else the text.

#include <string>

#include <nlohmann/json.hpp>

namespace kivo {

void PutName(nlohmann::ordered_json& object, const std::string& key, const std::string& name);

// What --help says about it.
extern const char* const kJsonNamesHelp;

} // namespace kivo
