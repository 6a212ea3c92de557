// SG_IO on a disk's device node: opened read-only and without waiting for media, checked to be
// a device that speaks the SCSI generic protocol before any command is sent.
#include "live/SGIODevice.h"

#include <fcntl.h>
#include <scsi/sg.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

namespace sw::live {
namespace {

constexpr unsigned kTimeoutMilliseconds = 10000;
// SG_GET_VERSION_NUM answers at least this for every driver that takes SG_IO.
constexpr int kLowestSGVersion = 30000;

class SGIODevice : public ATADevice {
 public:
  explicit SGIODevice(int descriptor) : descriptor_(descriptor) {}
  ~SGIODevice() override { ::close(descriptor_); }
  SGIODevice(const SGIODevice&) = delete;
  SGIODevice& operator=(const SGIODevice&) = delete;

  std::optional<PassThroughAnswer> passThrough(const PassThroughCDB& cdb, std::span<std::uint8_t> dataIn) override {
    PassThroughCDB command = cdb;  // the header wants a mutable pointer
    std::uint8_t sense[kSenseLimit] = {};
    sg_io_hdr_t header{};
    header.interface_id = 'S';
    header.cmd_len = static_cast<unsigned char>(command.size());
    header.cmdp = command.data();
    header.dxfer_direction = dataIn.empty() ? SG_DXFER_NONE : SG_DXFER_FROM_DEV;
    header.dxferp = dataIn.empty() ? nullptr : dataIn.data();
    header.dxfer_len = static_cast<unsigned>(dataIn.size());
    header.sbp = sense;
    header.mx_sb_len = sizeof sense;
    header.timeout = kTimeoutMilliseconds;
    if (::ioctl(descriptor_, SG_IO, &header) != 0) return std::nullopt;
    PassThroughAnswer answer;
    answer.scsiStatus = header.status;
    answer.hostStatus = header.host_status;
    answer.driverStatus = header.driver_status;
    const std::size_t written = std::min<std::size_t>(header.sb_len_wr, sizeof sense);
    answer.sense.assign(sense, sense + written);
    // A residue outside 0…length is the driver's mistake: then nothing counts as delivered.
    const int residue = header.resid;
    answer.transferred = residue >= 0 && static_cast<std::size_t>(residue) <= dataIn.size()
                             ? dataIn.size() - static_cast<std::size_t>(residue)
                             : 0;
    return answer;
  }

 private:
  int descriptor_;
};

}  // namespace

std::unique_ptr<ATADevice> SGIODeviceOpener::open(std::string_view disk) {
  if (disk.empty() || disk.find('/') != std::string_view::npos || disk.starts_with('.')) return nullptr;
  const std::filesystem::path node = devices_ / disk;
  const int descriptor = ::open(node.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (descriptor < 0) return nullptr;
  struct stat status{};
  int version = 0;
  if (::fstat(descriptor, &status) != 0 || !(S_ISBLK(status.st_mode) || S_ISCHR(status.st_mode)) ||
      ::ioctl(descriptor, SG_GET_VERSION_NUM, &version) != 0 || version < kLowestSGVersion) {
    ::close(descriptor);
    return nullptr;
  }
  return std::make_unique<SGIODevice>(descriptor);
}

}  // namespace sw::live
