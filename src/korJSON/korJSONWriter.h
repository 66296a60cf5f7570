// korJSON text writer: flattens a node tree into tokens (iteratively, so depth
// costs heap, not stack) and lays them out as ASCII JSON text. Standard library
// only; knows nothing of files.
#pragma once

#include <charconv>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <deque>
#include <stdexcept>
#include <string>
#include <variant>
#include <vector>

#include "korJSONNumbers.h"
#include "korJSONToken.h"
#include "korJSONUnicode.h"
#include "korJSONValue.h"

namespace korJSON {
namespace detail {

inline std::string ConvertToEscapedString(const std::string& s) {
    std::string out;
    out.reserve(s.size());
    AppendEscaped(out, s.data(), s.size());
    return out;
}

// One open container of the walk: where its next child is.
struct WalkFrame {
    const korJSONArray* elements = nullptr; // null for an object
    std::size_t index = 0;
    korJSONObject::const_iterator next{};
    korJSONObject::const_iterator end{};
    bool first = true;
};

inline WalkFrame ArrayFrame(const korJSONArray& elements) {
    WalkFrame f;
    f.elements = &elements;
    return f;
}

inline WalkFrame ObjectFrame(const korJSONObject& members) {
    WalkFrame f;
    f.next = members.begin();
    f.end = members.end();
    return f;
}

// Emits the tokens of one value: a scalar's token with its payload, or a
// container's opening token (its contents follow through the walk).
template <typename Sink>
void EmitValue(const korJSONData* node, Sink& sink, std::vector<WalkFrame>& stack) {
    if (!node) {
        // Only a caller can put an empty pointer into a tree; it reads as null.
        sink.Emit(NullValue, "null", 4);
        return;
    }
    char buffer[350];
    const auto number = [&](korJSONToken token, auto value) {
        const auto r = std::to_chars(buffer, buffer + sizeof buffer, value);
        sink.Emit(token, buffer, static_cast<std::size_t>(r.ptr - buffer));
    };
    const korJSONValue& v = node->value;
    switch (node->type) {
    case Null: {
        const std::string& s = std::get<std::string>(v);
        sink.Emit(NullValue, s.data(), s.size());
        return;
    }
    case Bool:
        if (std::get<bool>(v)) {
            sink.Emit(BoolValue, "true", 4);
        } else {
            sink.Emit(BoolValue, "false", 5);
        }
        return;
    case Int: number(IntValue, std::get<int>(v)); return;
    case UInt: number(UIntValue, std::get<unsigned int>(v)); return;
    case Long: number(LongValue, static_cast<std::int32_t>(std::get<korJSONLong>(v))); return;
    case ULong: number(ULongValue, static_cast<std::uint32_t>(std::get<korJSONULong>(v))); return;
    case LongLong: number(LongLongValue, std::get<std::int64_t>(v)); return;
    case ULongLong: number(ULongLongValue, std::get<std::uint64_t>(v)); return;
    case Double: {
        const char* end =
            detail::FormatFixed(buffer, buffer + sizeof buffer, std::get<double>(v), 6);
        sink.Emit(DoubleValue, buffer, static_cast<std::size_t>(end - buffer));
        return;
    }
    case String: {
        const std::string& s = std::get<std::string>(v);
        sink.Emit(StringValue, s.data(), s.size());
        return;
    }
    case Array: {
        const korJSONArray& elements = std::get<korJSONArray>(v);
        sink.Emit(ArrayBegin, nullptr, 0);
        stack.push_back(ArrayFrame(elements));
        return;
    }
    case Object: {
        const korJSONObject& members = std::get<korJSONObject>(v);
        sink.Emit(ObjectBegin, nullptr, 0);
        stack.push_back(ObjectFrame(members));
        return;
    }
    default: throw std::runtime_error("Unsupported type!");
    }
}

// Emits the contents and the closing token of the container `start` stands
// for, depth first, with an explicit stack instead of recursion.
template <typename Sink> void Walk(WalkFrame start, Sink& sink) {
    std::vector<WalkFrame> stack;
    stack.push_back(start);
    while (!stack.empty()) {
        WalkFrame& f = stack.back();
        const korJSONData* child = nullptr;
        if (f.elements) {
            if (f.index >= f.elements->size()) {
                stack.pop_back();
                sink.Emit(ArrayEnd, nullptr, 0);
                continue;
            }
            if (f.index > 0) {
                sink.Emit(Comma, nullptr, 0);
            }
            child = (*f.elements)[f.index++].get();
        } else {
            if (f.next == f.end) {
                stack.pop_back();
                sink.Emit(ObjectEnd, nullptr, 0);
                continue;
            }
            if (!f.first) {
                sink.Emit(Comma, nullptr, 0);
            }
            f.first = false;
            const std::string& key = f.next->first;
            child = f.next->second.get();
            ++f.next;
            sink.Emit(Key, key.data(), key.size());
            sink.Emit(Colon, nullptr, 0);
        }
        EmitValue(child, sink, stack); // may grow the stack: `f` is not used after
    }
}

// Collects the tokens of a walk, payloads copied.
struct QueueSink {
    std::deque<korJSONTokenValue>& queue;
    void Emit(korJSONToken token, const char* text, std::size_t length) {
        if (token >= NullValue) {
            queue.push_back(korJSONTokenValue{token, std::string(text, length)});
        } else {
            queue.push_back(korJSONTokenValue{token, {}});
        }
    }
};

// What goes before a token in the pretty layout, from the container kind K
// (the container most recently opened or closed; at a closing bracket the one
// it closes), the previous token P and the current token C.
enum class Gap { Nothing, Line, Space, Blank };

inline Gap ChooseGap(korJSONToken k, korJSONToken p, korJSONToken c) {
    const bool cValue = IsValueToken(c);
    const bool pValue = IsValueToken(p);
    const bool cOpen = c == ArrayBegin || c == ObjectBegin;
    if (k == ArrayBegin) {
        if (p == ArrayBegin) {
            return Gap::Line;
        }
        if (p == Comma) {
            return cOpen ? Gap::Space : (cValue || c == Key) ? Gap::Line : Gap::Nothing;
        }
        if (pValue || p == ObjectEnd) {
            return c == ArrayEnd ? Gap::Line : Gap::Nothing;
        }
        if (p == Colon) {
            return (cValue || cOpen) ? Gap::Space : Gap::Nothing;
        }
        return Gap::Nothing; // after `]` or a key
    }
    if (p == ObjectBegin) {
        return (c == Key || c == ObjectEnd) ? Gap::Line : Gap::Nothing;
    }
    if (p == Comma) {
        return (c == Key || cOpen) ? Gap::Line : cValue ? Gap::Blank : Gap::Nothing;
    }
    if (p == Colon) {
        return (cValue || cOpen) ? Gap::Space : Gap::Nothing;
    }
    if (pValue || p == ObjectEnd || p == ArrayEnd) {
        return c == ObjectEnd ? Gap::Line : Gap::Nothing;
    }
    return Gap::Nothing; // after a key
}

// Appends to a string through a small buffer of its own, so the writer pays
// for neither a call nor a capacity check of the string per character; the
// string then grows only by whole chunks.
class TextBuffer {
public:
    explicit TextBuffer(std::string& out) : out_(out) {}
    TextBuffer(const TextBuffer&) = delete;
    TextBuffer& operator=(const TextBuffer&) = delete;

    void Put(char c) {
        if (used_ == sizeof chunk_) {
            Finish();
        }
        chunk_[used_++] = c;
    }
    void Put(const char* p, std::size_t n) {
        if (sizeof chunk_ - used_ < n) {
            Finish();
            if (n > sizeof chunk_) {
                out_.append(p, n);
                return;
            }
        }
        std::memcpy(chunk_ + used_, p, n);
        used_ += n;
    }
    void PutRepeated(char c, std::size_t n) {
        while (n > 0) {
            if (used_ == sizeof chunk_) {
                Finish();
            }
            const std::size_t now = n < sizeof chunk_ - used_ ? n : sizeof chunk_ - used_;
            std::memset(chunk_ + used_, c, now);
            used_ += now;
            n -= now;
        }
    }
    // Moves what is buffered into the string.
    void Finish() {
        out_.append(chunk_, used_);
        used_ = 0;
    }

private:
    std::string& out_;
    std::size_t used_ = 0;
    char chunk_[16384];
};

// Writes tokens as text, with the pretty layout when asked.
class LayoutSink {
public:
    LayoutSink(std::string& out, bool pretty) : out_(out), pretty_(pretty) {}

    void Emit(korJSONToken token, const char* text, std::size_t length) {
        const bool closing = token == ArrayEnd || token == ObjectEnd;
        if (pretty_ && started_) {
            const korJSONToken k = closing && !kinds_.empty() ? kinds_.back() : lastKind_;
            std::size_t depth = kinds_.size();
            if (closing && depth > 0) {
                --depth;
            }
            switch (ChooseGap(k, previous_, token)) {
            case Gap::Nothing: break;
            case Gap::Line:
                out_.Put('\n');
                out_.PutRepeated(' ', 4 * depth);
                break;
            case Gap::Space: out_.Put(' '); break;
            case Gap::Blank: out_.Put("\n\n ", 3); break;
            }
        }
        started_ = true;
        previous_ = token;
        switch (token) {
        case ArrayBegin:
        case ObjectBegin:
            out_.Put(token == ArrayBegin ? '[' : '{');
            kinds_.push_back(token);
            lastKind_ = token;
            return;
        case ArrayEnd:
        case ObjectEnd:
            out_.Put(token == ArrayEnd ? ']' : '}');
            if (!kinds_.empty()) {
                lastKind_ = kinds_.back();
                kinds_.pop_back();
            }
            return;
        case Colon: out_.Put(':'); return;
        case Comma: out_.Put(','); return;
        case Key:
        case StringValue:
            out_.Put('"');
            PutEscaped(out_, text, length);
            out_.Put('"');
            return;
        default: out_.Put(text, length); return;
        }
    }

    void Finish() { out_.Finish(); }

private:
    TextBuffer out_;
    bool pretty_;
    bool started_ = false;
    korJSONToken previous_ = None;
    korJSONToken lastKind_ = None;
    std::vector<korJSONToken> kinds_;
};

// Appends the text of `data` (an Array or Object root) to `out`. Other roots
// raise "Invalid token: Expected array or object as root node!". On any
// exception `out` is left as it was.
inline bool WriteTree(const korJSONData& data, std::string& out, bool pretty) {
    if (data.type != Array && data.type != Object) {
        throw std::runtime_error("Invalid token: Expected array or object as root node!");
    }
    const std::size_t mark = out.size();
    try {
        LayoutSink sink(out, pretty);
        if (data.type == Array) {
            const korJSONArray& elements = std::get<korJSONArray>(data.value);
            sink.Emit(ArrayBegin, nullptr, 0);
            Walk(ArrayFrame(elements), sink);
        } else {
            const korJSONObject& members = std::get<korJSONObject>(data.value);
            sink.Emit(ObjectBegin, nullptr, 0);
            Walk(ObjectFrame(members), sink);
        }
        sink.Finish();
    } catch (...) {
        out.resize(mark);
        throw;
    }
    return true;
}

} // namespace detail
} // namespace korJSON
