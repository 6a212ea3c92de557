// Static files of the widget host.
#include "host/WebFiles.h"

#include <algorithm>
#include <array>
#include <string>
#include <utility>

#include "foundation/EmbeddedFiles.h"

namespace sw::host {
namespace {

constexpr std::size_t kMaxPathLength = 200;

constexpr std::array<std::pair<std::string_view, std::string_view>, 8> kContentTypes = {{
    {".html", "text/html; charset=utf-8"},
    {".js", "text/javascript; charset=utf-8"},
    {".css", "text/css; charset=utf-8"},
    {".png", "image/png"},
    {".svg", "image/svg+xml"},
    {".json", "application/json"},
    {".ico", "image/x-icon"},
    {".txt", "text/plain; charset=utf-8"},
}};

std::string_view contentTypeForPath(std::string_view path) {
  for (const auto& [extension, type] : kContentTypes) {
    if (path.size() > extension.size() && path.substr(path.size() - extension.size()) == extension) return type;
  }
  return "application/octet-stream";
}

bool isPlainSegment(std::string_view segment) {
  return !segment.empty() && segment != "." && segment != ".." &&
         std::all_of(segment.begin(), segment.end(), [](char c) {
           return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
                  c == '_' || c == '-';
         });
}

bool isPlainRelativePath(std::string_view path) {
  if (path.empty() || path.size() > kMaxPathLength) return false;
  while (true) {
    std::size_t slash = path.find('/');
    if (!isPlainSegment(path.substr(0, slash))) return false;
    if (slash == std::string_view::npos) return true;
    path.remove_prefix(slash + 1);
  }
}

}  // namespace

std::optional<WebFile> findWebFile(std::string_view requestPath) {
  if (requestPath.empty() || requestPath[0] != '/') return std::nullopt;
  std::string_view relative = requestPath.substr(1);
  if (relative.empty()) relative = "index.html";
  if (!isPlainRelativePath(relative)) return std::nullopt;
  std::optional<std::string_view> contents = embedded::file("web/" + std::string(relative));
  if (!contents) return std::nullopt;
  return WebFile{*contents, contentTypeForPath(relative)};
}

}  // namespace sw::host
