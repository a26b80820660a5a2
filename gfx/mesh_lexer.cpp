#include "gfx/mesh_lexer.h"

namespace gfx {

namespace {

bool IsSpace(std::uint8_t c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == ',' || c == ';'; }

// Words and numbers: names may hold '-' and '.', numbers letters (exponents).
bool IsWordChar(std::uint8_t c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-' ||
           c == '+' || c == '.';
}

bool StartsNumber(std::uint8_t c) { return (c >= '0' && c <= '9') || c == '-' || c == '+' || c == '.'; }

}  // namespace

MeshLexer::MeshLexer(ByteSpan text) : bytes(text) { next = Scan(); }

Token MeshLexer::Take() {
    Token taken = next;
    next = Scan();
    return taken;
}

std::string_view MeshLexer::Text(size_t from, size_t to) const {
    return {reinterpret_cast<const char*>(bytes.data()) + from, to - from};
}

// White space, separators and comments (from // or # to the end of the line).
void MeshLexer::SkipSpace() {
    while (position < bytes.size()) {
        const std::uint8_t c = bytes[position];
        const bool comment = c == '#' || (c == '/' && position + 1 < bytes.size() && bytes[position + 1] == '/');
        if (comment) {
            while (position < bytes.size() && bytes[position] != '\n') ++position;
        } else if (IsSpace(c)) {
            if (c == '\n') ++scanLine;
            ++position;
        } else {
            return;
        }
    }
}

Token MeshLexer::Scan() {
    SkipSpace();
    line = scanLine;
    if (position >= bytes.size()) return {TokenKind::End, {}};
    const std::uint8_t c = bytes[position];
    const size_t start = position;
    if (c == '{' || c == '}') {
        ++position;
        return {c == '{' ? TokenKind::OpenBrace : TokenKind::CloseBrace, Text(start, position)};
    }
    if (c == '"' || c == '<') {
        const std::uint8_t close = c == '"' ? '"' : '>';
        ++position;
        while (position < bytes.size() && bytes[position] != close) {
            if (bytes[position] == '\n') ++scanLine;
            ++position;
        }
        if (position >= bytes.size()) return {TokenKind::Invalid, {}};  // never closed
        ++position;
        return {c == '"' ? TokenKind::String : TokenKind::Guid, Text(start + 1, position - 1)};
    }
    if (!IsWordChar(c)) {
        ++position;
        return {TokenKind::Invalid, Text(start, position)};
    }
    while (position < bytes.size() && IsWordChar(bytes[position])) ++position;
    return {StartsNumber(c) ? TokenKind::Number : TokenKind::Word, Text(start, position)};
}

}  // namespace gfx
