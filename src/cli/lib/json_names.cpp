#include "cli/lib/json_names.h"

#include "platform/name_bytes.h"

namespace kivo {

const char* const kJsonNamesHelp =
    "File names need not be UTF-8 (old camera cards, unpacked archives). The text output\n"
    "prints them as they are. In JSON such a text has U+FFFD for each byte that is not\n"
    "UTF-8, and a second field, its key with \"_bytes\" appended, holds the exact bytes as\n"
    "an array of numbers 0-255: \\xff\\xfe.jpg gives \"\\ufffd\\ufffd.jpg\" and\n"
    "[255, 254, 46, 106, 112, 103]. The field is there only for such texts.\n";

void PutName(nlohmann::ordered_json& object, const std::string& key, const std::string& name) {
    if (IsValidUtf8(name)) {
        object[key] = name;
        return;
    }
    object[key] = LossyUtf8(name);
    nlohmann::ordered_json bytes = nlohmann::ordered_json::array();
    for (const char c : name)
        bytes.push_back(static_cast<unsigned char>(c));
    object[key + "_bytes"] = std::move(bytes);
}

} // namespace kivo
