#include "kl_test_namespace.h"

#include <net/if.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

#include "klUniqueFd.h"

namespace {

bool writeFile(const char* path, const std::string& text) {
  return static_cast<bool>(std::ofstream(path) << text << std::flush);
}

// Without root, a user namespace grants the rights that the other namespaces need.
bool enterUserNamespace() {
  const std::string uid = std::to_string(getuid()), gid = std::to_string(getgid());
  if (unshare(CLONE_NEWUSER) != 0) return false;
  writeFile("/proc/self/setgroups", "deny");
  return writeFile("/proc/self/uid_map", "0 " + uid + " 1") &&
         writeFile("/proc/self/gid_map", "0 " + gid + " 1");
}

bool enterNamespaces() {
  constexpr int kNamespaces = CLONE_NEWIPC | CLONE_NEWNET | CLONE_NEWNS;
  return unshare(kNamespaces) == 0 || (errno == EPERM && enterUserNamespace() && unshare(kNamespaces) == 0);
}

bool loopbackUp() {
  const UniqueFd fd(socket(AF_INET, SOCK_DGRAM, 0));
  ifreq request{};
  std::strncpy(request.ifr_name, "lo", IFNAMSIZ - 1);
  if (!fd.valid() || ioctl(fd.get(), SIOCGIFFLAGS, &request) != 0) return false;
  request.ifr_flags |= IFF_UP;
  return ioctl(fd.get(), SIOCSIFFLAGS, &request) == 0;
}

// Where no system logger listens, every syslog line of a daemon opened with LOG_CONS is written to
// the console, which on a serial console takes milliseconds a line and fills the machine's console.
// In the test's own mount namespace the console is the null device.
bool consoleToNull() {
  return mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
         mount("/dev/null", "/dev/console", nullptr, MS_BIND, nullptr) == 0;
}

}  // namespace

bool klEnterPrivateNamespaces() {
  const char* failed = !enterNamespaces() ? "enter private namespaces"
                       : !consoleToNull() ? "replace the console"
                       : !loopbackUp()    ? "bring loopback up"
                                          : nullptr;
  if (failed != nullptr) std::fprintf(stderr, "cannot %s: %s\n", failed, std::strerror(errno));
  return failed == nullptr;
}

bool klPortListens(unsigned short port, const std::string& table) {
  std::ifstream in(table);
  char listening[32];
  std::snprintf(listening, sizeof listening, ":%04X 00000000:0000 0A", static_cast<unsigned>(port));
  for (std::string line; std::getline(in, line);) {
    if (line.find(listening) != std::string::npos) return true;
  }
  return false;
}
