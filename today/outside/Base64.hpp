// Standard Base64 (RFC 4648 alphabet, padded, no line breaks) with strict decoding.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "today/outside/Bytes.hpp"

namespace today::detail {

// The inverse of `base64Decode`, kept beside it so that both use one alphabet; the list's writer encodes
// inline, tests and fuzz targets write bookmarks with this.
std::string base64Encode(const Bytes& bytes);
// Appends the Base64 text of the bytes to `text`.
void appendBase64(std::string& text, const Bytes& bytes);
// The decoded bytes, or none unless the text is canonical padded standard Base64.
std::optional<Bytes> base64Decode(std::string_view text);

}  // namespace today::detail
