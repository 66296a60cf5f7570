// korJSON stream: the reader/writer object the game uses. It reads a file into
// a node tree and writes a tree to a file; every stage lives in its own header.
// Standard library only.
#pragma once

#include <cstddef>
#include <deque>
#include <iostream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "korJSONBSON.h"
#include "korJSONBuilder.h"
#include "korJSONFile.h"
#include "korJSONReader.h"
#include "korJSONToken.h"
#include "korJSONValue.h"
#include "korJSONWriter.h"

namespace korJSON {

class korJSONStream {
public:
    // The scanner's output, consumed front first by the tree builder.
    std::deque<korJSONTokenValue> tokens;

    // Why the last ParseFile or WriteJSONFile returned false, in a few plain
    // words for a player ("file not found", "not a regular file", "not valid
    // JSON", ...); empty after a call that succeeded.
    std::string lastError;
    // ParseFile refuses a file larger than this many bytes without reading it
    // whole; callers that know their documents are small lower it.
    std::size_t maxFileBytes = std::size_t{64} * 1024 * 1024;

    // Reads `path` (UTF-8 name) as JSON text in UTF-8 (with or without a mark),
    // UTF-16 or UTF-32 of either byte order, or as BSON. True with `data` the
    // root Array or Object; on every reported failure false with `data` a Null
    // node (files that cannot be read and empty files are reported on standard
    // output). Only a regular file of at most maxFileBytes is read (see
    // ReadRegularFile). Exceptions of the scanner, the builder and the
    // conversions propagate and leave `data` untouched.
    bool ParseFile(const std::string& path, korJSONData& data, korJSONType type) {
        const bool bson = type == BSON;
        lastError.clear();
        std::string bytes;
        if (!ReadRegularFile(path, bytes, maxFileBytes, lastError)) {
            std::cout << (bson ? "Unable to parse BSON file: " : "Unable to parse JSON file: ")
                      << path << std::endl;
            data = korJSONData(Null);
            return false;
        }
        if (bytes.empty()) {
            std::cout << (bson ? "BSON file is empty!" : "JSON file is empty!") << std::endl;
            lastError = "the file is empty";
            data = korJSONData(Null);
            return false;
        }
        std::string text;
        if (bson) {
            text = ConvertBSONToJSON(bytes);
            if (text.empty()) {
                std::cout << "Unable to parse BSON file: " << path << std::endl;
                lastError = "not a valid BSON document";
                data = korJSONData(Null);
                return false;
            }
        } else {
            text = detail::DecodeJSONBytes(bytes);
        }
        bytes = std::string();
        if (!Tokenization(text) || !ParseJSONContents(data)) {
            lastError = "not valid JSON";
            data = korJSONData(Null);
            return false;
        }
        return true;
    }

    // Clears `tokens` and scans `text` into it; true if any token was queued.
    bool Tokenization(const std::string& text) { return detail::Tokenize(tokens, text); }

    // Builds the tree from `tokens` (consuming them). True with `data` the root
    // container; false with `data` a Null node when the tokens do not start with
    // a container or come in an order no JSON text makes.
    bool ParseJSONContents(korJSONData& data) { return detail::BuildTree(tokens, data); }

    // Scanner helpers. Each reads `text` at `pos` and leaves `pos` on the last
    // byte it consumed.
    korJSONTokenValue CheckTypeToken(korJSONToken context, unsigned& pos, const std::string& text) {
        return detail::CheckTypeToken(tokens, context, pos, text);
    }
    std::string CheckForLiteral(unsigned& pos, const std::string& text,
                                const std::string& literal) {
        return detail::CheckForLiteral(pos, text, literal);
    }
    korJSONTokenValue CheckForString(unsigned& pos, const std::string& text) {
        return detail::CheckForString(pos, text);
    }
    korJSONTokenValue CheckForNumber(unsigned& pos, const std::string& text, char first) {
        return detail::CheckForNumber(pos, text, first);
    }
    // UTF-8 of a code point; empty for 0 and above 10FFFFh.
    std::string CodePointToString(unsigned codePoint) {
        return detail::CodePointToString(codePoint);
    }

    // Writes `data` as JSON text to `path`. The text is appended to `out` (which
    // is not cleared) and `out` is written whole, with no mark and no final line
    // end. The file is first written beside the target and moved over it only
    // when complete, so on any failure the previous file stays as it was. False,
    // with "Unable to write JSON file: " + path on standard output and the
    // reason in lastError, when the file cannot be written (also when the path
    // leads to anything but a regular file, or to one without write bits); the
    // exceptions of ConvertJSONToString propagate.
    bool WriteJSONFile(const std::string& path, korJSONData& data, std::string& out, bool pretty) {
        lastError.clear();
        detail::ReplacingFile file(path);
        if (!file.IsOpen()) {
            std::cout << "Unable to write JSON file: " << path << std::endl;
            lastError = file.Reason().empty() ? "the file cannot be written" : file.Reason();
            return false;
        }
        ConvertJSONToString(data, out, pretty);
        if (!file.Commit(out)) {
            std::cout << "Unable to write JSON file: " << path << std::endl;
            lastError =
                file.Reason().empty() ? "the file could not be written whole" : file.Reason();
            return false;
        }
        return true;
    }

    // Appends the JSON text of `data` (an Array or Object) to `out`; pretty
    // gives four-space indentation, otherwise no white space at all. Other
    // roots raise "Invalid token: Expected array or object as root node!",
    // invalid UTF-8 in a key or string "Invalid UTF-8 sequence!"; `out` is left
    // as it was on any exception.
    bool ConvertJSONToString(korJSONData& data, std::string& out, bool pretty) {
        return detail::WriteTree(data, out, pretty);
    }

    // The escaped body of a JSON string: pure ASCII, non-ASCII as \u escapes.
    std::string ConvertToEscapedString(const std::string& s) {
        return detail::ConvertToEscapedString(s);
    }

    // Append the tokens of a container's contents and its closing token.
    void TokenizeArray(std::vector<std::shared_ptr<korJSONData>>& elements,
                       std::deque<korJSONTokenValue>& queue) {
        detail::QueueSink sink{queue};
        detail::Walk(detail::ArrayFrame(elements), sink);
    }
    void TokenizeObject(std::map<std::string, std::shared_ptr<korJSONData>>& members,
                        std::deque<korJSONTokenValue>& queue) {
        detail::QueueSink sink{queue};
        detail::Walk(detail::ObjectFrame(members), sink);
    }

    // BSON bytes to JSON text (an object of the document's members).
    std::string ConvertBSONToJSON(const std::string& bytes) {
        return detail::ConvertBSONToJSON(bytes);
    }
    // At an element's type byte: the member prefix "\"name\": "; `pos` ends
    // after the name's terminating zero.
    std::string GetBSONKey(const std::string& bytes, int& pos) {
        return detail::GetBSONKey(bytes, pos);
    }
};

} // namespace korJSON
