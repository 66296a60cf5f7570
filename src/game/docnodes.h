// The documents the game writes (the saved game and the settings): their
// leaves, typed as their readers expect them, and the writing itself.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "korJSON/korJSON.h"
#include "platform.h"

using DocNode = std::shared_ptr<korJSON::korJSONData>;

// The most the game reads of game.sav or game.cfg. A real save is about
// 270 KB; the bound only keeps a stray huge file from taking the memory.
inline constexpr std::size_t MaxPlayerFileBytes = 16 * 1024 * 1024;

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

// Writes one of the player's files, pretty-printed, and once it is on the
// disk lets the platform keep it (a browser copies it into its storage).
// False when it cannot be written, with the writer's reason in `reason`
// when one is given; throws what the writer throws.
inline bool WritePlayerFile(const char* path, korJSON::korJSONData& root,
                            std::string* reason = nullptr) {
    std::string out;
    korJSON::korJSONStream stream;
    if (!stream.WriteJSONFile(path, root, out, true)) {
        if (reason != nullptr) {
            *reason = stream.lastError;
        }
        return false;
    }
    PlayerFilesChanged();
    return true;
}
