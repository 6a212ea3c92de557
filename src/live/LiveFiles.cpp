// Bounded reads below the root and the writes of the driver's selection attributes.
#include "live/LiveFiles.h"

#include <fcntl.h>
#include <sys/statfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <system_error>

namespace sw::live {
namespace {

// The file systems whose files are the kernel's attributes: the only ones ever written to.
constexpr long kSysfsMagic = 0x62656572;
constexpr long kProcMagic = 0x9fa0;

std::string_view trimmed(std::string_view text) {
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\0'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return text;
}

class FileDescriptor {
 public:
  explicit FileDescriptor(int descriptor) : descriptor_(descriptor) {}
  ~FileDescriptor() {
    if (descriptor_ >= 0) ::close(descriptor_);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int get() const { return descriptor_; }

 private:
  int descriptor_;
};

}  // namespace

LiveFiles::LiveFiles(std::filesystem::path root) : root_(std::move(root)) {}

std::optional<std::filesystem::path> LiveFiles::local(std::string_view path) const {
  if (!path.starts_with('/')) return std::nullopt;
  std::filesystem::path relative(path.substr(1));
  for (const auto& part : relative) {
    if (part == "..") return std::nullopt;
  }
  return root_ / relative;
}

std::filesystem::path LiveFiles::selected(const std::filesystem::path& path) const {
  auto found = selections_.find(path.parent_path());
  if (found == selections_.end()) return path;
  std::filesystem::path recorded = found->second / path.filename();
  std::error_code error;
  return std::filesystem::exists(recorded, error) ? recorded : path;
}

std::optional<std::string> LiveFiles::read(std::string_view path, std::size_t limit) {
  std::optional<std::filesystem::path> file = local(path);
  if (!file) return std::nullopt;
  // Kernel files report no true size, so the read goes on until the end or the limit.
  FileDescriptor descriptor(::open(selected(*file).c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (descriptor.get() < 0) return std::nullopt;
  std::string contents;
  char buffer[4096];
  for (;;) {
    ssize_t count = ::read(descriptor.get(), buffer, sizeof buffer);
    if (count < 0 && errno == EINTR) continue;
    if (count < 0) return std::nullopt;
    if (count == 0) return contents;
    contents.append(buffer, static_cast<std::size_t>(count));
    if (contents.size() > limit) return std::nullopt;
  }
}

std::optional<std::string> LiveFiles::readLine(std::string_view path) {
  std::optional<std::string> text = read(path);
  if (!text) return std::nullopt;
  std::string_view line(*text);
  line = line.substr(0, line.find('\n'));
  return std::string(trimmed(line));
}

std::optional<std::int64_t> LiveFiles::readInteger(std::string_view path) {
  std::optional<std::string> line = readLine(path);
  if (!line || line->empty()) return std::nullopt;
  std::int64_t value = 0;
  const char* end = line->data() + line->size();
  auto [stop, error] = std::from_chars(line->data(), end, value);
  if (error != std::errc() || stop != end) return std::nullopt;
  return value;
}

bool LiveFiles::writeAttribute(std::string_view path, std::string_view text) {
  std::optional<std::filesystem::path> file = local(path);
  if (!file || text.empty() || text.find('/') != std::string_view::npos || text == "..") return false;
  std::error_code error;
  std::filesystem::path recorded = file->string() + ".d";
  recorded /= std::string(text);
  if (std::filesystem::is_directory(recorded, error)) {
    selections_[file->parent_path()] = recorded;
    return true;
  }
  struct statfs system {};
  if (::statfs(file->c_str(), &system) != 0) return false;
  if (static_cast<long>(system.f_type) != kSysfsMagic && static_cast<long>(system.f_type) != kProcMagic) return false;
  FileDescriptor descriptor(::open(file->c_str(), O_WRONLY | O_CLOEXEC));
  if (descriptor.get() < 0) return false;
  ssize_t written = ::write(descriptor.get(), text.data(), text.size());
  return written == static_cast<ssize_t>(text.size());
}

std::vector<std::string> LiveFiles::list(std::string_view directory) {
  std::vector<std::string> names;
  std::optional<std::filesystem::path> folder = local(directory);
  if (!folder) return names;
  std::error_code error;
  for (std::filesystem::directory_iterator it(*folder, error), end; !error && it != end; it.increment(error)) {
    names.push_back(it->path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

bool LiveFiles::exists(std::string_view path) {
  std::optional<std::filesystem::path> file = local(path);
  std::error_code error;
  return file && std::filesystem::exists(*file, error);
}

}  // namespace sw::live
