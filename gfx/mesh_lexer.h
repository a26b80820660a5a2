#pragma once
// Tokens of the text mesh-file format. Commas and semicolons only separate values, so they
// count as white space here; the loader checks counts against the values themselves.

#include <cstdint>
#include <string_view>

#include "gfx/bytes.h"

namespace gfx {

enum class TokenKind { End, Word, Number, String, Guid, OpenBrace, CloseBrace, Invalid };

struct Token {
    TokenKind kind = TokenKind::End;
    std::string_view text;  // a word or number as written; a string without its quotes
};

class MeshLexer {
public:
    explicit MeshLexer(ByteSpan bytes);

    const Token& Peek() const { return next; }
    Token Take();
    unsigned Line() const { return line; }  // of the token Peek() returns
    size_t Remaining() const { return bytes.size() - position; }

private:
    void SkipSpace();
    Token Scan();
    std::string_view Text(size_t from, size_t to) const;

    ByteSpan bytes;
    size_t position = 0;
    unsigned line = 1;
    unsigned scanLine = 1;  // line of the scanner, which runs one token ahead
    Token next;
};

}  // namespace gfx
