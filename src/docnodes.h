// Leaves of the documents the game writes (the saved game and the
// settings), typed as their readers expect them.
#pragma once

#include <memory>
#include <string>

#include "korJSON/korJSON.h"

using DocNode = std::shared_ptr<korJSON::korJSONData>;

inline DocNode IntNode(int value) {
    return std::make_shared<korJSON::korJSONData>(value, korJSON::korJSONDataType::Int);
}

inline DocNode UIntNode(unsigned value) {
    return std::make_shared<korJSON::korJSONData>(value, korJSON::korJSONDataType::UInt);
}

inline DocNode BoolNode(bool value) {
    return std::make_shared<korJSON::korJSONData>(value, korJSON::korJSONDataType::Bool);
}

inline DocNode StringNode(const std::string& value) {
    return std::make_shared<korJSON::korJSONData>(value, korJSON::korJSONDataType::String);
}
