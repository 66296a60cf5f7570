// The documents the game keeps for the player (the saved game and the
// settings): their leaves, typed as their readers expect them, and the
// reading and writing of the files themselves.
#pragma once

#include <cstddef>
#include <exception>
#include <memory>
#include <new>
#include <string>

#include "korJSON/korJSON.h"
#include "platform.h"

using DocNode = std::shared_ptr<korJSON::korJSONData>;

// The most the game reads of game.sav or game.cfg. A real save is about
// 270 KB; the bound only keeps a stray huge file from taking the memory.
inline constexpr std::size_t MaxPlayerFileBytes = 16 * 1024 * 1024;

// Reads one of the player's files into `root`. Empty when it was read;
// otherwise why not, in a few plain words. Never throws: whatever the file
// holds, its loader can refuse it with a reason.
inline std::string ReadPlayerFile(const char* path, korJSON::korJSONData& root) {
    korJSON::korJSONStream stream;
    stream.maxFileBytes = MaxPlayerFileBytes;
    try {
        if (!stream.ParseFile(path, root, korJSON::korJSONType::JSON)) {
            return stream.lastError;
        }
    } catch (const std::bad_alloc&) {
        return "the file is too large";
    } catch (const std::exception&) {
        return "not valid JSON"; // the scanner's own words may quote the file
    }
    return std::string();
}

// An array or an object, where a reader wants a single value.
inline bool IsContainer(const korJSON::korJSONData& node) {
    return node.type == korJSON::Array || node.type == korJSON::Object;
}

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
