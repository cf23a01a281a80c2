#include "common/standard_descriptors.h"

#ifndef _WIN32
#include <cerrno>

#include <fcntl.h>
#include <unistd.h>
#endif

namespace qbm {

void ReopenClosedStandardDescriptors() {
#ifndef _WIN32
  for (int fd = 0; fd <= 2; ++fd) {
    if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
    // The lowest free number is taken, which is this one: the lower ones are open by now.
    const int null = ::open("/dev/null", O_RDWR);
    if (null >= 0 && null != fd) {
      ::dup2(null, fd);
      ::close(null);
    }
  }
#endif
}

}  // namespace qbm
