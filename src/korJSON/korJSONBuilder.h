// korJSON tree builder: consumes the scanner's token queue and builds the node
// tree, iteratively, so nesting depth costs heap, not stack. Standard library
// only; knows nothing of text or files.
#pragma once

#include <deque>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "korJSONNumbers.h"
#include "korJSONToken.h"
#include "korJSONValue.h"

namespace korJSON {
namespace detail {

inline std::int32_t ParseInt32(const std::string& text) {
    bool negative = false;
    std::uint32_t magnitude = 0;
    if (ParseShortDecimal(text.data(), text.data() + text.size(), negative, magnitude)) {
        return negative ? -static_cast<std::int32_t>(magnitude)
                        : static_cast<std::int32_t>(magnitude);
    }
    return Stol32(text);
}

inline std::uint32_t ParseUInt32(const std::string& text) {
    bool negative = false;
    std::uint32_t magnitude = 0;
    if (ParseShortDecimal(text.data(), text.data() + text.size(), negative, magnitude) &&
        !negative) {
        return magnitude;
    }
    return Stoul32(text);
}

// The node for a scalar token. A token without payload raises
// std::bad_optional_access.
inline std::shared_ptr<korJSONData> MakeScalar(korJSONTokenValue& token) {
    std::string& text = token.text.value();
    switch (token.token) {
    case NullValue: return std::make_shared<korJSONData>(Null);
    case BoolValue: return std::make_shared<korJSONData>(korJSONValue(text == "true"), Bool);
    case IntValue:
        return std::make_shared<korJSONData>(korJSONValue(static_cast<int>(ParseInt32(text))), Int);
    case UIntValue:
        return std::make_shared<korJSONData>(
            korJSONValue(static_cast<unsigned int>(ParseUInt32(text))), UInt);
    case LongValue:
        return std::make_shared<korJSONData>(korJSONValue(korJSONLong{ParseInt32(text)}), Long);
    case ULongValue:
        return std::make_shared<korJSONData>(korJSONValue(korJSONULong{ParseUInt32(text)}), ULong);
    case LongLongValue:
        return std::make_shared<korJSONData>(
            korJSONValue(static_cast<std::int64_t>(std::stoll(text))), LongLong);
    case ULongLongValue:
        return std::make_shared<korJSONData>(
            korJSONValue(static_cast<std::uint64_t>(std::stoull(text))), ULongLong);
    case DoubleValue: return std::make_shared<korJSONData>(korJSONValue(Stod(text)), Double);
    default: return std::make_shared<korJSONData>(korJSONValue(std::move(text)), String);
    }
}

inline korJSONDataType ContainerKind(korJSONToken token) {
    return token == ArrayBegin ? Array : Object;
}

// Consumes `tokens` (the queue is empty afterwards, whatever the outcome) and
// builds the tree. True with `data` set to the root when a root container was
// built; false with `data` a Null node for a queue that does not start with a
// container or whose order no JSON text produces (a key without colon or value,
// a stray colon, anything after the root closed, and the fixed pairs `{` `]`,
// `[` `}`, `[` `:` and `[` Key). Raises "Invalid token! Expected object!" for a
// member outside an object and "Invalid token! Expected array!" for a value
// outside an array; `data` is untouched then. Missing closing brackets at the
// end are tolerated.
inline bool BuildTree(std::deque<korJSONTokenValue>& tokens, korJSONData& data) {
    struct Drain {
        std::deque<korJSONTokenValue>& queue;
        ~Drain() { queue.clear(); }
    } drain{tokens};

    const auto fail = [&data]() {
        data = korJSONData(Null);
        return false;
    };
    if (tokens.empty() ||
        (tokens.front().token != ArrayBegin && tokens.front().token != ObjectBegin)) {
        return fail();
    }

    std::shared_ptr<korJSONData> root;
    std::vector<korJSONData*> open; // innermost last; owned by the tree or `dropped`
    std::vector<std::shared_ptr<korJSONData>> dropped; // containers under duplicate keys
    bool rootClosed = false;
    korJSONToken previous = None;
    // A member is read in three tokens: its key, the colon, its value.
    enum class Member { None, Key, Colon } member = Member::None;
    std::string key;

    for (; !tokens.empty(); tokens.pop_front()) {
        korJSONTokenValue& token = tokens.front();
        const korJSONToken kind = token.token;
        const korJSONToken before = previous;
        previous = kind;
        if (member == Member::Key) {
            if (kind != Colon) {
                return fail();
            }
            member = Member::Colon;
            continue;
        }
        if (member == Member::Colon) {
            member = Member::None;
            korJSONObject& members = std::get<korJSONObject>(open.back()->value);
            // Keys mostly come in ascending order (the writer's order), so
            // the end is tried before searching.
            const bool last = members.empty() || members.rbegin()->first < key;
            const auto at = last ? members.end() : members.lower_bound(key);
            const bool taken = at != members.end() && at->first == key;
            if (kind == ArrayBegin || kind == ObjectBegin) {
                auto node = std::make_shared<korJSONData>(ContainerKind(kind));
                open.push_back(node.get());
                if (taken) {
                    // The first member of a key stays; the second is still
                    // built (its tokens follow) but into a node that is dropped.
                    dropped.push_back(std::move(node));
                } else {
                    members.emplace_hint(at, std::move(key), std::move(node));
                }
            } else if (IsValueToken(kind)) {
                auto node = MakeScalar(token);
                if (!taken) {
                    members.emplace_hint(at, std::move(key), std::move(node));
                }
            } else {
                return fail();
            }
            continue;
        }
        const bool badPair =
            (before == ObjectBegin && kind == ArrayEnd) ||
            (before == ArrayBegin && (kind == ObjectEnd || kind == Colon || kind == Key));
        if (badPair || rootClosed) {
            return fail();
        }
        switch (kind) {
        case Comma: continue;
        case ArrayBegin:
        case ObjectBegin:
            if (!root) {
                root = std::make_shared<korJSONData>(ContainerKind(kind));
                open.push_back(root.get());
            } else if (open.back()->type == Array) {
                auto node = std::make_shared<korJSONData>(ContainerKind(kind));
                korJSONData* raw = node.get();
                std::get<korJSONArray>(open.back()->value).push_back(std::move(node));
                open.push_back(raw);
            }
            continue;
        case ArrayEnd:
        case ObjectEnd:
            open.pop_back();
            rootClosed = open.empty();
            continue;
        case Key:
            if (open.back()->type != Object) {
                throw std::runtime_error("Invalid token! Expected object!");
            }
            key = std::move(token.text.value());
            member = Member::Key;
            continue;
        default: break;
        }
        if (!IsValueToken(kind)) {
            return fail(); // a stray colon, or a token kind the scanner never makes
        }
        if (open.back()->type != Array) {
            throw std::runtime_error("Invalid token! Expected array!");
        }
        std::get<korJSONArray>(open.back()->value).push_back(MakeScalar(token));
    }
    if (member != Member::None) {
        return fail(); // a key without its colon or value at the end
    }
    if (!root) {
        throw std::runtime_error("No root node found!");
    }
    data.type = root->type;
    data.value = std::move(root->value);
    return true;
}

} // namespace detail
} // namespace korJSON
