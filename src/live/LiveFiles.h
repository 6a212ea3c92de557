// The live machine's files: every path the live backend reads ("/sys/…", "/proc/…", "/etc/…") is
// taken below one root directory, so that a recorded tree stands in for the running system.
//
// The applesmc driver works by selection: an index written to `key_at_index` chooses what its
// sibling `key_at_index_*` files show. A recorded tree cannot hold that state, so it keeps one
// folder per choice: `key_at_index.d/<index>/key_at_index_name`, … . A write that names such a
// folder selects it; only files of the kernel's own file systems are ever written to, so a
// recorded tree is never changed.
#pragma once

#include <cstddef>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sw::live {

class LiveFiles {
 public:
  /// The most a text file may hold; kernel attribute files hold at most one page.
  static constexpr std::size_t kTextLimit = 256 * 1024;

  explicit LiveFiles(std::filesystem::path root);
  virtual ~LiveFiles() = default;

  const std::filesystem::path& root() const { return root_; }

  /// The bytes of a file, at most `limit` of them; nothing when it is missing, unreadable,
  /// larger than the limit or when the path leaves the root.
  virtual std::optional<std::string> read(std::string_view path, std::size_t limit = kTextLimit);
  /// The first line of a text file without its line end and surrounding blanks.
  std::optional<std::string> readLine(std::string_view path);
  /// A decimal integer file ("1309\n", "-127000\n"); nothing for anything else.
  std::optional<std::int64_t> readInteger(std::string_view path);
  /// Writes a kernel attribute, or selects the recorded folder of that value; false when neither.
  virtual bool writeAttribute(std::string_view path, std::string_view text);
  /// The names in a folder, sorted; empty when it is missing.
  virtual std::vector<std::string> list(std::string_view directory);
  virtual bool exists(std::string_view path);

 private:
  /// The path below the root, or nothing for a relative path or one with "..".
  std::optional<std::filesystem::path> local(std::string_view path) const;
  /// Where a read of the path is answered from, following a recorded selection.
  std::filesystem::path selected(const std::filesystem::path& path) const;

  std::filesystem::path root_;
  // folder → the recorded folder chosen by the last write to one of its selection attributes
  std::map<std::filesystem::path, std::filesystem::path> selections_;
};

}  // namespace sw::live
