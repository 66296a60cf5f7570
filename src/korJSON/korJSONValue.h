// korJSON document node: the declared kind, the stored value, shared children and
// every accessor and conversion the game reads documents with. Standard library
// only; knows nothing of text, files or the game.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

#include "korJSONNumbers.h"

namespace korJSON {

// The declared kind of a node, one unsigned byte. Unscoped so that both
// korJSON::Object and korJSONDataType::Object read.
enum korJSONDataType : std::uint8_t {
    Null = 0,
    Bool = 1,
    Int = 2,
    UInt = 3,
    Long = 4,
    ULong = 5,
    LongLong = 6,
    ULongLong = 7,
    Double = 8,
    String = 9,
    Array = 10,
    Object = 11
};

// `Long` and `ULong` are 32 bits on every platform, yet must stay alternatives
// of their own beside `int` and `unsigned int` (a 64-bit `long` would collide
// with the 64-bit alternatives on LP64, a 32-bit one would not be distinct on
// LLP64). They are therefore 32-bit enumerations: distinct types, the same bits,
// never picked by an implicit conversion. Read one with static_cast<int32_t>.
enum class korJSONLong : std::int32_t {};
enum class korJSONULong : std::uint32_t {};

class korJSONData;

using korJSONArray = std::vector<std::shared_ptr<korJSONData>>;
using korJSONObject = std::map<std::string, std::shared_ptr<korJSONData>>;

// The stored value. The order of the alternatives is part of the format: the
// readers and the writer test the alternative index.
using korJSONValue = std::variant<bool,           // 0  Bool
                                  int,            // 1  Int
                                  unsigned int,   // 2  UInt
                                  korJSONLong,    // 3  Long
                                  korJSONULong,   // 4  ULong
                                  std::int64_t,   // 5  LongLong
                                  std::uint64_t,  // 6  ULongLong
                                  double,         // 7  Double
                                  const char*,    // 8  never produced
                                  std::string,    // 9  Null ("null") and String
                                  korJSONArray,   // 10 Array
                                  korJSONObject>; // 11 Object

static_assert(sizeof(int) == 4 && sizeof(unsigned int) == 4, "Int and UInt are 32-bit");
static_assert(std::variant_size_v<korJSONValue> == 12, "twelve distinct alternatives");

// One document node. `type` and `value` are kept paired by every operation of
// the library (Null holds the string "null", Array a vector, Object a map ...);
// a node built inconsistently through the value constructor makes accessors
// raise std::bad_variant_access. Object members are ordered by key.
class korJSONData {
public:
    korJSONDataType type = Null;
    korJSONValue value = std::string("null");

    // An empty node of the given kind with its default value (false, 0, 0.0,
    // "", "null", no children). Kinds outside 0-11: "Unsupported type!".
    explicit korJSONData(korJSONDataType kind = Null) : type(kind), value(DefaultValue(kind)) {}

    // A node holding `v` under the declared kind `kind`; pairing them is the
    // caller's duty.
    korJSONData(korJSONValue&& v, korJSONDataType kind) : type(kind), value(std::move(v)) {}
    korJSONData(const korJSONValue& v, korJSONDataType kind) : type(kind), value(v) {}

    korJSONData(const korJSONData&) = default;
    korJSONData(korJSONData&&) = default;
    korJSONData& operator=(const korJSONData&) = default;
    korJSONData& operator=(korJSONData&&) = default;

    // Releases the subtree without recursing: a document nested 100 000 deep
    // must not take 100 000 stack frames to free.
    ~korJSONData() { ReleaseChildren(); }

    // Member `key` of an object. Not an object: "Value is not an object!";
    // absent: "Key was not found in object!" (nothing is inserted).
    korJSONData& operator[](const char* key) { return Member(key); }
    const korJSONData& operator[](const char* key) const { return ConstMember(key); }
    korJSONData& operator[](const std::string& key) { return Member(key); }
    const korJSONData& operator[](const std::string& key) const { return ConstMember(key); }

    // Element `index` of an array. Not an array: "Value is not an array!";
    // outside 0..arraySize()-1: std::out_of_range.
    korJSONData& operator[](int index) { return *Element(index); }
    const korJSONData& operator[](int index) const { return *ConstElement(index); }

    // Element count of an array; otherwise "Value is not an array!".
    unsigned arraySize() const { return static_cast<unsigned>(ArrayValue().size()); }

    // True when an object has member `key`; otherwise "Value is not an object!".
    bool contains(const std::string& key) const { return ObjectValue().count(key) != 0; }

    // Adds a member to an object; an existing member of the same key is kept
    // and `member` dropped. Not an object: "Value is not an object!".
    void insert(std::string key, std::shared_ptr<korJSONData> member) {
        ObjectValue().emplace(std::move(key), std::move(member));
    }

    // Appends an element to an array. Not an array: "Value is not an array!".
    void push_back(std::shared_ptr<korJSONData> element) {
        ArrayValue().push_back(std::move(element));
    }

    // Text of a scalar: "true"/"false", plain decimals, a double as a standard
    // stream prints it (6 significant digits), Null and String as stored.
    // Array or Object: "Unsupported type!".
    std::string toString() const {
        switch (type) {
        case Null:
        case String: return std::get<std::string>(value);
        case Bool: return std::get<bool>(value) ? "true" : "false";
        case Int: return detail::IntegerToString(std::get<int>(value));
        case UInt: return detail::IntegerToString(std::get<unsigned int>(value));
        case Long:
            return detail::IntegerToString(static_cast<std::int32_t>(std::get<korJSONLong>(value)));
        case ULong:
            return detail::IntegerToString(
                static_cast<std::uint32_t>(std::get<korJSONULong>(value)));
        case LongLong: return detail::IntegerToString(std::get<std::int64_t>(value));
        case ULongLong: return detail::IntegerToString(std::get<std::uint64_t>(value));
        case Double: {
            std::ostringstream stream;
            stream << std::get<double>(value);
            return stream.str();
        }
        default: throw std::runtime_error("Unsupported type!");
        }
    }

    // The stored alternative T itself; std::bad_variant_access when another is
    // active.
    template <typename T> T dataToString() const { return std::get<T>(value); }

    // T is bool, int or unsigned int. With exactType the stored alternative must
    // be exactly T, else `fallback` is returned. Without it the toString() text
    // is converted: bool as a stream reads "true"/"false" words (anything else
    // is false), int by std::stoi, unsigned int by std::stoul with a 32-bit
    // unsigned long; their exceptions propagate and `fallback` is unused.
    template <typename T> T convertTo(bool exactType, T fallback) const {
        static_assert(std::is_same_v<T, bool> || std::is_same_v<T, int> ||
                          std::is_same_v<T, unsigned int>,
                      "convertTo reads bool, int or unsigned int");
        if (exactType) {
            const T* stored = std::get_if<T>(&value);
            return stored ? *stored : fallback;
        }
        const std::string text = toString();
        if constexpr (std::is_same_v<T, bool>) {
            std::istringstream stream(text);
            bool result = false;
            stream >> std::boolalpha >> result;
            return stream.fail() ? false : result;
        } else if constexpr (std::is_same_v<T, int>) {
            return std::stoi(text);
        } else {
            return detail::Stoul32(text);
        }
    }

private:
    static korJSONValue DefaultValue(korJSONDataType kind) {
        switch (kind) {
        case Null: return std::string("null");
        case Bool: return false;
        case Int: return 0;
        case UInt: return 0u;
        case Long: return korJSONLong{};
        case ULong: return korJSONULong{};
        case LongLong: return std::int64_t{0};
        case ULongLong: return std::uint64_t{0};
        case Double: return 0.0;
        case String: return std::string();
        case Array: return korJSONArray();
        case Object: return korJSONObject();
        default: throw std::runtime_error("Unsupported type!");
        }
    }

    korJSONArray& ArrayValue() {
        if (type != Array) {
            throw std::runtime_error("Value is not an array!");
        }
        return std::get<korJSONArray>(value);
    }
    const korJSONArray& ArrayValue() const {
        if (type != Array) {
            throw std::runtime_error("Value is not an array!");
        }
        return std::get<korJSONArray>(value);
    }
    korJSONObject& ObjectValue() {
        if (type != Object) {
            throw std::runtime_error("Value is not an object!");
        }
        return std::get<korJSONObject>(value);
    }
    const korJSONObject& ObjectValue() const {
        if (type != Object) {
            throw std::runtime_error("Value is not an object!");
        }
        return std::get<korJSONObject>(value);
    }

    template <typename Key> korJSONData& Member(const Key& key) {
        return const_cast<korJSONData&>(ConstMember(key));
    }
    template <typename Key> const korJSONData& ConstMember(const Key& key) const {
        const korJSONObject& members = ObjectValue();
        const auto it = members.find(key);
        if (it == members.end() || !it->second) {
            throw std::runtime_error("Key was not found in object!");
        }
        return *it->second;
    }

    korJSONData* Element(int index) { return const_cast<korJSONData*>(ConstElement(index)); }
    const korJSONData* ConstElement(int index) const {
        const korJSONArray& elements = ArrayValue();
        if (index < 0 || static_cast<std::size_t>(index) >= elements.size() ||
            !elements[static_cast<std::size_t>(index)]) {
            throw std::out_of_range("Array index out of range!");
        }
        return elements[static_cast<std::size_t>(index)].get();
    }

    // Empties the containers of `node`. Children that this tree owns alone and
    // that have children of their own go onto `pending`; the rest (scalars,
    // empty containers, nodes also held elsewhere) are released on the spot,
    // which cannot recurse.
    static void DetachChildren(korJSONData& node, korJSONArray& pending) {
        const auto keep = [&pending](std::shared_ptr<korJSONData>& child) {
            if (child && child.use_count() == 1 && HasChildren(*child)) {
                pending.push_back(std::move(child));
            }
        };
        if (auto* elements = std::get_if<korJSONArray>(&node.value)) {
            for (auto& child : *elements) {
                keep(child);
            }
            elements->clear();
        } else if (auto* members = std::get_if<korJSONObject>(&node.value)) {
            for (auto& member : *members) {
                keep(member.second);
            }
            members->clear();
        }
    }

    static bool HasChildren(const korJSONData& node) {
        if (const auto* elements = std::get_if<korJSONArray>(&node.value)) {
            return !elements->empty();
        }
        if (const auto* members = std::get_if<korJSONObject>(&node.value)) {
            return !members->empty();
        }
        return false;
    }

    // Flattens the subtree onto a work list. A child whose last owner is this
    // tree is emptied before its pointer is dropped, so every destructor that
    // runs from here finds no children of its own. Children also held elsewhere
    // are only released.
    void ReleaseChildren() noexcept {
        if (!HasChildren(*this)) {
            return;
        }
        korJSONArray pending;
        DetachChildren(*this, pending);
        while (!pending.empty()) {
            std::shared_ptr<korJSONData> node = std::move(pending.back());
            pending.pop_back();
            DetachChildren(*node, pending);
        }
    }
};

} // namespace korJSON
