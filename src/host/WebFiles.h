// The widget page's files, served from the copy linked into the binary.
#pragma once

#include <optional>
#include <string_view>

namespace sw::host {

struct WebFile {
  std::string_view contents;
  std::string_view contentType;
};

/// The file of web/ that a request path names ("/" is the page itself), or nothing. Only plain
/// relative paths are looked up: every segment made of letters, digits, '.', '_' and '-', none
/// of them empty, "." or ".." — so no request reaches a file outside web/, however it is
/// spelled or encoded.
std::optional<WebFile> findWebFile(std::string_view requestPath);

}  // namespace sw::host
